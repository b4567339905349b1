#!/usr/bin/env bash
# The full-screen saver on a desk of two monitors of different sizes: the
# dummy-driver Xorg with DUMMY0 1920 x 1080 at 0,0 (the primary) and DUMMY1
# 2560 x 1440 beside it, a size the primary does not offer. Every monitor
# shows the seascape at its own size (sky at the top, rocks at the bottom, no
# desktop pixel) and no box opens:
# - the primary changed to 1280 x 1024, DUMMY1 switched off and on: followed
#   and covered; a key typed on DUMMY1 ends the saver;
# - with "any key or mouse" ending it, DUMMY1 switched off, put back left of
#   the primary and the primary's mode changed while the pointer rests: still
#   running and covering every monitor; then a real movement ends it;
# - buttons 1 and 3 and the wheel, on either monitor, each end it;
# - a display mode of its own changes DUMMY0 only and both come back after
#   SIGTERM and after SIGKILL.
source "$(dirname "$0")/lib.sh"
start_xorg_dummy || skip "Xorg with the dummy driver cannot start here"
xrandr --newmode 2560x1440 241.50 2560 2608 2640 2720 1440 1443 1448 1481 +hsync -vsync 2>/dev/null || true
xrandr --addmode DUMMY1 2560x1440 2>/dev/null || true
# The usual desk: the laptop's panel, the larger monitor to its right.
desk() {
  xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0 --primary --output DUMMY1 --mode 2560x1440 --right-of DUMMY0
}
desk || skip "this dummy driver offers no second output"
# The desktop is pure green: any green pixel left on a monitor is an uncovered one.
xsetroot -solid '#00ff00'

mode_of() { xrandr | awk -v o="$1" '$1 == o { for (i = 2; i <= NF; ++i) if ($i ~ /^[0-9]+x[0-9]+\+/) { split($i, a, "+"); print a[1]; exit } }'; }
# The monitors now, one "WxH+X+Y" a line.
monitors() { xrandr --listactivemonitors | sed -n 's|.* \([0-9]*\)/[0-9]*x\([0-9]*\)/[0-9]*+\([0-9]*\)+\([0-9]*\) .*|\1x\2+\3+\4|p'; }
# True when the monitor $2 (WxH+X+Y) of the shot $1 shows the scene: no
# desktop pixel, a dusk sky (darker at the top of a screen narrower than 4:3,
# which shows more of it) over dark rocks. One pass over the shot: greens,
# the top fifth's and the bottom twentieth's grey.
shows_scene() {
  local shot="$1" w h x y left sky rocks
  IFS='x+' read -r w h x y <<<"$2"
  read -r left sky rocks < <(convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage \
    \( +clone -fill black +opaque '#00ff00' -fill white -opaque '#00ff00' -format '%[fx:int(mean*w*h)] ' -write info: +delete \) \
    \( +clone -crop "${w}x$((h / 5))+0+0" +repage -colorspace gray -format '%[fx:int(255*mean)] ' -write info: +delete \) \
    -crop "${w}x$((h / 20))+0+$((h - h / 20))" +repage -colorspace gray -format '%[fx:int(255*mean)]\n' info:)
  [ "$left" = 0 ] && [ "$sky" -gt 45 ] && [ "$rocks" -lt 40 ]
}

# Waits up to $1 seconds until every monitor shows the scene while the saver
# $pid runs and no box is open; leaves the shot in $WORK/shot.ppm.
all_covered() {
  local limit="$1" i m ok
  for i in $(seq $((limit * 4))); do
    [ -z "$(window_named ERROR)" ] || fail "an ERROR box opened: $(cat "$WORK/err")"
    import -window root "$WORK/shot.ppm" 2>/dev/null || true
    ok=1
    for m in $(monitors); do shows_scene "$WORK/shot.ppm" "$m" || { ok=0; break; }; done
    [ "$ok" = 1 ] && return 0
    if ! kill -0 "$pid" 2>/dev/null; then
      RC=0
      wait "$pid" || RC=$?
      fail "the saver ended (code $RC) at: $step: $(cat "$WORK/err")"
    fi
    sleep 0.25
  done
  convert "$WORK/shot.ppm" "$ARTEFACTS/multi-monitor-fail.png"
  echo "not covered at: $step" >&2
  return 1
}

step="start"
start_saver() {
  "$VELMO" /s 2>"$WORK/err" &
  pid=$!
  PIDS+=("$pid")
  wait_shown "$pid" || fail "the saver did not start: $(cat "$WORK/err")"
}

# 1. Mixed sizes; the primary's mode changed; DUMMY1 off and on; a key on DUMMY1.
write_settings ResHor=1920 ResVert=1080 ColorDepth=24 clockX=1830 clockY=90 NumBirds=10
start_saver
all_covered 20 || fail "not every monitor shows the scene ($(monitors | tr '\n' ' '))"
convert "$WORK/shot.ppm" "$ARTEFACTS/multi-monitor.png"
# No seam: the primary's last column and row and the other's first column
# are the scene's (its art has no pure black; the clear colour is).
black_in() { convert "$WORK/shot.ppm" -crop "$1" +repage -fuzz 0 -fill white +opaque black -fill red -opaque black -fill black -opaque white -format '%[fx:int(mean.r*w*h+0.5)]' info:; }
for strip in 1x1080+1919+0 1920x1+0+1079 1x1440+1920+0; do
  n=$(black_in "$strip")
  [ "$n" = 0 ] || fail "$n pure black pixels in $strip, a seam"
done
convert "$WORK/shot.ppm" -crop 80x1440+1880+0 +repage "$ARTEFACTS/multi-monitor-seam.png"
step="primary to 1280x1024"
xrandr --output DUMMY0 --mode 1280x1024
all_covered 20 || fail "not covered after the primary went to 1280x1024"
convert "$WORK/shot.ppm" "$ARTEFACTS/multi-monitor-1280.png"
step="DUMMY1 off"
xrandr --output DUMMY1 --off
wait_until '[ "$(xwininfo -root -tree | grep -c "\"Velmo\"")" -le 1 ]' 10 || fail "DUMMY1's scene stayed"
all_covered 20 || fail "the primary is not covered with DUMMY1 off"
step="DUMMY1 back"
xrandr --output DUMMY1 --mode 2560x1440 --right-of DUMMY0
all_covered 20 || fail "DUMMY1 is not covered after it came back"
second=""
for id in $(xdotool search --name '^Velmo$' 2>/dev/null); do
  x=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { print $4 }')
  [ "$x" -ge 1280 ] 2>/dev/null && second=$id
done
[ -n "$second" ] || fail "no saver window on DUMMY1"
xdotool windowfocus --sync "$second" 2>/dev/null || xdotool windowfocus "$second"
xdotool key x
wait_exit "$pid" 5 || fail "a key on DUMMY1 did not end the saver"
[ "$RC" = 0 ] || fail "the saver ended with code $RC: $(cat "$WORK/err")"

# 2. A changing desk is no movement. The pointer rests on DUMMY1's lower
# part; each change below leaves it off every monitor, where the server
# moves it, or moves windows under it.
desk
write_settings ResHor=1920 ResVert=1080 ColorDepth=24 clockX=1830 clockY=90 TermMouse=1
xdotool mousemove 3500 1300
start_saver
all_covered 20 || fail "not every monitor shows the scene before the changes"
step="pointer resting: DUMMY1 left of the primary"
xrandr --output DUMMY1 --left-of DUMMY0
all_covered 20 || fail "not covered with DUMMY1 left of the primary"
step="pointer resting: DUMMY1 off"
xrandr --output DUMMY1 --off
all_covered 20 || fail "not covered with DUMMY1 off"
step="pointer resting: the primary's mode"
xrandr --output DUMMY0 --mode 1280x1024
all_covered 20 || fail "not covered after the primary's mode changed"
convert "$WORK/shot.ppm" "$ARTEFACTS/multi-monitor-changed.png"
step="pointer resting: DUMMY1 back"
xrandr --output DUMMY1 --mode 2560x1440 --left-of DUMMY0
all_covered 20 || fail "not covered with DUMMY1 back"
kill -0 "$pid" 2>/dev/null || fail "the changes ended the saver: $(cat "$WORK/err")"
# For a while after a change the pointer's moves only set where it is (the
# saver's few seconds for the window system to settle): the user goes on
# moving it, back and forth, until a move ends the saver.
way=40
moving_ends() {
  way=$((-way))
  xdotool mousemove_relative -- "$way" 0
  ! alive "$pid"
}
wait_until moving_ends 20 0.2 || fail "a real movement did not end the saver after the changes"
wait_exit "$pid" 5 || fail "the saver did not end after a real movement"
[ "$RC" = 0 ] || fail "the saver ended with code $RC: $(cat "$WORK/err")"

# 3. A click or the wheel ends it, on either monitor.
desk
for how in "2000 500 click 1" "500 500 click 3" "2000 500 click 5"; do
  write_settings ResHor=1920 ResVert=1080 ColorDepth=24 clockX=1830 clockY=90 TermMouse=1
  xdotool mousemove ${how% click*}
  start_saver
  xdotool click ${how##*click }
  wait_exit "$pid" 5 || fail "button ${how##*click } did not end the saver"
  [ "$RC" = 0 ] || fail "the saver ended with code $RC on a click: $(cat "$WORK/err")"
done

# 4. A display mode of its own: DUMMY0 only, and both come back however it ends.
write_settings flag_defres=0 ResHor=1024 ResVert=768 ColorDepth=24 clockX=934 clockY=90
for how in TERM KILL; do
  "$VELMO" /s 2>"$WORK/err" &
  pid=$!
  PIDS+=("$pid")
  wait_until '[ "$(mode_of DUMMY0)" = 1024x768 ]' 20 ||
    fail "DUMMY0 did not take the saver's mode ($(mode_of DUMMY0)): $(cat "$WORK/err")"
  [ "$(mode_of DUMMY1)" = 2560x1440 ] || fail "DUMMY1 changed its mode to $(mode_of DUMMY1)"
  kill -"$how" "$pid"
  wait_exit "$pid" 5 || fail "the saver did not end on SIG$how"
  wait_until '[ "$(mode_of DUMMY0)" = 1920x1080 ]' 4 || true
  [ "$(mode_of DUMMY0)" = 1920x1080 ] && [ "$(mode_of DUMMY1)" = 2560x1440 ] ||
    fail "after SIG$how the modes are $(mode_of DUMMY0) and $(mode_of DUMMY1)"
done
echo "PASS: 1920x1080 beside 2560x1440 covered through mode changes, off and on and a move; a key, a movement, buttons 1 and 3 and the wheel end it; a mode of its own on DUMMY0 only"
