#!/usr/bin/env bash
# The full-screen saver on a desktop of two monitors: the dummy-driver Xorg
# with DUMMY0 1920 x 1080 at 0,0 and DUMMY1 1280 x 1024 at 1920,0. Both are
# covered by the seascape (sky at the top, rocks at the bottom, no desktop
# pixel); switching DUMMY1 off and on while the saver runs leaves nothing
# uncovered; a key typed on DUMMY1 ends the saver; a display mode of its own
# changes DUMMY0 only and both come back after SIGTERM and after SIGKILL.
source "$(dirname "$0")/lib.sh"
start_xorg_dummy || skip "Xorg with the dummy driver cannot start here"
xrandr --addmode DUMMY1 1280x1024 2>/dev/null || true
xrandr --output DUMMY1 --mode 1280x1024 --right-of DUMMY0 || skip "this dummy driver offers no second output"
# The desktop is pure green: any green pixel left is an uncovered one.
xsetroot -solid '#00ff00'
artefacts="${VELMO_E2E_ARTEFACTS:-$WORK/artefacts}"
mkdir -p "$artefacts"

mode_of() { xrandr | awk -v o="$1" '$1 == o { for (i = 2; i <= NF; ++i) if ($i ~ /^[0-9]+x[0-9]+\+/) { split($i, a, "+"); print a[1]; exit } }'; }
grey() { convert "$1" -crop "$2" -colorspace gray -format "%[fx:int(255*mean)]" info:; }
greens() { convert "$1" -crop "$2" +repage -fill black +opaque '#00ff00' -fill white -opaque '#00ff00' -format "%[fx:int(mean*w*h)]" info:; }

# True when the monitor WxH+X+Y shows the scene: no desktop pixel, a dusk sky
# (darker at the top of a screen narrower than 4:3, which shows more of it)
# over dark rocks.
shows_scene() {
  local shot="$1" w="$2" h="$3" x="$4" y="$5" sky rocks left
  left=$(greens "$shot" "${w}x${h}+${x}+${y}")
  [ "$left" = 0 ] || return 1
  sky=$(grey "$shot" "${w}x$((h / 5))+${x}+${y}")
  rocks=$(grey "$shot" "${w}x$((h / 20))+${x}+$((y + h - h / 20))")
  [ "$sky" -gt 45 ] && [ "$rocks" -lt 40 ]
}

# Waits up to $1 seconds until both monitors show the scene; leaves the shot in $WORK/shot.png.
both_covered() {
  local limit="$1" i
  for i in $(seq $((limit * 4))); do
    import -window root "$WORK/shot.png" 2>/dev/null || true
    shows_scene "$WORK/shot.png" 1920 1080 0 0 && shows_scene "$WORK/shot.png" 1280 1024 1920 0 && return 0
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "the saver ended (code $?): $(cat "$WORK/err")"; }
    sleep 0.25
  done
  return 1
}

write_settings ResHor=1920 ResVert=1080 ColorDepth=24 clockX=1830 clockY=90 NumBirds=10
"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
both_covered 20 || { cp "$WORK/shot.png" "$artefacts/multi-monitor-fail.png"; fail "not both monitors show the scene"; }
cp "$WORK/shot.png" "$artefacts/multi-monitor.png"

# The second monitor goes away and comes back: covered again, still running.
xrandr --output DUMMY1 --off
for _ in $(seq 40); do
  [ "$(xwininfo -root -tree | grep -c '"Velmo"')" -le 1 ] && break
  sleep 0.25
done
kill -0 "$pid" 2>/dev/null || fail "the saver ended when DUMMY1 went off: $(cat "$WORK/err")"
xrandr --output DUMMY1 --mode 1280x1024 --right-of DUMMY0
both_covered 20 || { cp "$WORK/shot.png" "$artefacts/multi-monitor-back.png"; fail "DUMMY1 is not covered after it came back"; }

# A key typed with the focus on the second monitor's window ends the saver.
second=""
for id in $(xdotool search --name '^Velmo$' 2>/dev/null); do
  x=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { print $4 }')
  [ "$x" -ge 1920 ] 2>/dev/null && second=$id
done
[ -n "$second" ] || fail "no saver window on DUMMY1"
xdotool windowfocus --sync "$second" 2>/dev/null || xdotool windowfocus "$second"
xdotool key x
wait_exit "$pid" 5 || fail "a key on DUMMY1 did not end the saver"
[ "$RC" = 0 ] || fail "the saver ended with code $RC: $(cat "$WORK/err")"

# A display mode of its own: DUMMY0 only, and both come back however it ends.
write_settings flag_defres=0 ResHor=1024 ResVert=768 ColorDepth=24 clockX=934 clockY=90
for how in TERM KILL; do
  "$VELMO" /s 2>"$WORK/err" &
  pid=$!
  PIDS+=("$pid")
  for _ in $(seq 80); do
    [ "$(mode_of DUMMY0)" = 1024x768 ] && break
    sleep 0.25
  done
  [ "$(mode_of DUMMY0)" = 1024x768 ] || fail "DUMMY0 did not take the saver's mode ($(mode_of DUMMY0)): $(cat "$WORK/err")"
  [ "$(mode_of DUMMY1)" = 1280x1024 ] || fail "DUMMY1 changed its mode to $(mode_of DUMMY1)"
  kill -"$how" "$pid"
  wait_exit "$pid" 5 || fail "the saver did not end on SIG$how"
  for _ in $(seq 40); do
    [ "$(mode_of DUMMY0)" = 1920x1080 ] && break
    sleep 0.1
  done
  [ "$(mode_of DUMMY0)" = 1920x1080 ] && [ "$(mode_of DUMMY1)" = 1280x1024 ] ||
    fail "after SIG$how the modes are $(mode_of DUMMY0) and $(mode_of DUMMY1)"
done
echo "PASS: both monitors covered, followed DUMMY1 off and on, a key on DUMMY1 ended it, a mode of its own on DUMMY0 only"
