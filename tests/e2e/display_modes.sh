#!/usr/bin/env bash
# Real display modes, on an Xorg server with the dummy video driver (a
# 1920 x 1080 desktop; 1280 x 1024, 1152 x 864, 1024 x 768, 800 x 600 and
# more offered through RandR):
# - the Display tab enables exactly the table's resolutions the server
#   offers, and "Use desktop settings" takes the mode RandR reports;
# - a mode the server lacks gets "Error SetDisplayMode" and the screen stays;
# - each stored mode is really set, at 16, 24 or 32 bits the whole scene is
#   drawn at that size, and the desktop's mode is back within 2 s however the
#   saver ends: SIGTERM, a key, a mouse movement, the focus taken, SIGKILL;
# - the first key after the switch ends it, however soon it comes;
# - the watcher that gives the mode back never outlives the saver, and
#   leaves alone a mode someone else set meanwhile.
source "$(dirname "$0")/lib.sh"
start_xorg_dummy ||
  skip "Xorg with the dummy video driver (xserver-xorg-core, xserver-xorg-video-dummy) cannot start here:" \
    "$(grep -h '^\[.*(EE)' "$WORK/xorg.log" 2>/dev/null | head -3; head -3 "$WORK/xorg.out" 2>/dev/null)"
DESKTOP=1920x1080
# Screenshots stay for a person to look at.

screen_size() { xrandr 2>/dev/null | sed -n 's/.* current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }
# The mode the monitor shows (RandR marks it with '*').
monitor_mode() { xrandr 2>/dev/null | awk '/\*/ {print $1; exit}'; }
# Waits up to $2 seconds for screen and monitor to be in mode $1.
wait_mode() {
  wait_until "[ \"\$(screen_size)\" = $1 ] && [ \"\$(monitor_mode)\" = $1 ]" "$2"
}

[ "$(screen_size)" = $DESKTOP ] || fail "the dummy server did not start at $DESKTOP: $(xrandr | head -3)"
OFFERED=$(xrandr | awk '/^ +[0-9]+x[0-9]+ / {print $1}')

# 1. The dialog's Display tab on this server. The stored desktop mode is stale.
write_settings flag_defres=1 ResHor=1024 ResVert=768 ColorDepth=32
unset QT_QPA_PLATFORM
"$VELMO" /c >"$WORK/dialog.log" 2>&1 &
pid=$!
PIDS+=("$pid")
win=$(wait_dialog "$pid" "$WORK/dialog.log")
import -window "$win" "$WORK/settings_tab.png"
xdotool mousemove --window "$win" 102 140 click 1 # the "Display" tab
wait_until 'import -window "$win" "$WORK/display_tab.png" &&
  [ "$(pixels_differ "$WORK/display_tab.png" "$WORK/settings_tab.png")" != 0 ]' 10 || fail "the Display tab did not open"
shoot_settled "$win" "$WORK/display_tab.png" || fail "the Display tab does not settle"
cp "$WORK/display_tab.png" "$ARTEFACTS/modes-display-tab.png"
# A caption drawn in the enabled text colour has near-black pixels; a disabled one is grey.
caption_state() {
  local darkest
  darkest=$(convert "$WORK/display_tab.png" -crop "56x12+52+$(($1 - 6))" +repage -colorspace Gray -format "%[min]" info:)
  [ "$darkest" -lt 25000 ] && echo enabled || echo disabled
}
row=184
for mode in 800x600 1024x768 1152x864 1280x1024; do
  want=disabled
  grep -qx "$mode" <<<"$OFFERED" && want=enabled
  [ "$(caption_state $row)" = "$want" ] || fail "the $mode button is not $want (the server offers: $(echo $OFFERED))"
  row=$((row + 16))
done
[ "$(caption_state 248)" = enabled ] || fail "\"Use desktop settings\" is not enabled"
for row in 288 304 320; do
  [ "$(caption_state $row)" = disabled ] || fail "a depth button is enabled while the desktop's mode is chosen"
done
# OK: 75 x 25 at x 296, 17 pixels above the bottom, wherever the texts' fit put the bottom.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove --window "$win" 333 $((HEIGHT - 17)) click 1
wait_exit "$pid" 10 || fail "OK did not end the dialog"
[ "$RC" = 0 ] || fail "dialog exit code $RC: $(tail -5 "$WORK/dialog.log")"
# OK stores only what was changed: with the desktop's mode chosen, the stale
# stored mode stays as it was (every run takes the desktop's instead).
[ "$(stored_value flag_defres)" = 1 ] || fail "\"Use desktop settings\" was not kept"
[ "$(stored_value ResHor)x$(stored_value ResVert)" = 1024x768 ] ||
  fail "OK changed the stored mode to $(stored_value ResHor)x$(stored_value ResVert) though nobody changed it"

# 2. A mode the server does not offer: the box, and the screen as it was.
write_settings flag_defres=0 ResHor=1366 ResVert=700
"$VELMO" /s 2>"$WORK/refused.err" &
pid=$!
PIDS+=("$pid")
wait_window "ERROR" 10 >/dev/null || fail "no ERROR box for 1366x700: $(cat "$WORK/refused.err")"
grep -q "Error SetDisplayMode" "$WORK/refused.err" || fail "wrong text: $(cat "$WORK/refused.err")"
[ "$(screen_size)" = $DESKTOP ] && [ "$(monitor_mode)" = $DESKTOP ] || fail "the refused mode changed the screen"
[ -z "$(pgrep -P "$pid" -f -- "--velmo-helper mode-guard" || true)" ] || fail "a watcher for a mode that was never set"
dismiss_box "ERROR"
wait_exit "$pid" 10 || fail "the saver did not end after the refused mode"
[ "$RC" = 2 ] || fail "exit code $RC after the refused mode, not 2"
[ "$(screen_size)" = $DESKTOP ] || fail "the screen was left at $(screen_size) after the refused mode"

# 3. Each mode, each way of ending. $1 mode, $2 depth, $3 ending; $4 "look"
# takes a screenshot and checks the scene.
run_saver() {
  local mode=$1 depth=$2 ending=$3 w=${1%x*} h=${1#*x} pid guard shot other
  write_settings flag_defres=0 ResHor="$w" ResVert="$h" ColorDepth="$depth" clockX=$((w - 90)) flag_PlaySound=0
  xdotool mousemove 960 540 # where the smaller screen cannot keep the pointer
  "$VELMO" /s 2>"$WORK/saver.err" &
  pid=$!
  PIDS+=("$pid")
  wait_mode "$mode" 10 || fail "$mode was not set (screen $(screen_size)): $(cat "$WORK/saver.err")"
  guard=$(pgrep -P "$pid" -f -- "--velmo-helper mode-guard" || true)
  [ -n "$guard" ] || fail "no watcher of the desktop's mode at $mode"
  wait_shown "$pid" || fail "the saver showed nothing at $mode: $(cat "$WORK/saver.err")"
  if [ "${4:-}" = look ]; then
    shot="$WORK/modes-scene-$mode-$depth.png"
    import -window root "$shot" || fail "no screenshot at $mode"
    cp "$shot" "$ARTEFACTS/"
    [ "$(identify -format %wx%h "$shot")" = "$mode" ] || fail "the screenshot at $mode is $(identify -format %wx%h "$shot")"
    # Sky in both top corners, dark rocks in both bottom corners: the whole scene at this size.
    local x y r g b
    for x in 10 $((w - 10)); do
      IFS=, read -r r g b <<<"$(pixel "$shot" "$x" 5)"
      [ "$b" -gt "$r" ] && [ "$b" -gt 60 ] || fail "no sky at ($x, 5) at $mode x $depth: $r,$g,$b"
      y=$((h - 3))
      IFS=, read -r r g b <<<"$(pixel "$shot" "$x" "$y")"
      [ "$r" -lt 90 ] && [ "$g" -lt 90 ] && [ "$b" -lt 90 ] || fail "no rocks at ($x, $y) at $mode x $depth: $r,$g,$b"
    done
  fi
  case "$ending" in
    SIGTERM) kill -TERM "$pid" ;;
    SIGKILL) kill -KILL "$pid" ;;
    key) xdotool key space ;;
    focus) # another window takes the focus
      xmessage -geometry +50+50 "a chat window" &
      OTHER_PID=$!
      PIDS+=("$OTHER_PID")
      other=$(wait_window "xmessage" 5) || fail "the other window did not appear"
      xdotool windowfocus --sync "$other" 2>/dev/null || xdotool windowfocus "$other"
      ;;
    mouse) xdotool mousemove_relative -- -40 0 sleep 0.1 mousemove_relative -- -40 0 ;; # the first move only sets where the mouse is
  esac
  wait_mode $DESKTOP 2 || fail "the desktop's mode was not back within 2 s after $ending at $mode (screen $(screen_size))"
  wait_exit "$pid" 10 || fail "the saver did not end on $ending at $mode"
  local want=0
  [ "$ending" = SIGKILL ] && want=137
  [ "$RC" = "$want" ] || fail "exit code $RC after $ending at $mode: $(tail -5 "$WORK/saver.err")"
  wait_until "! alive $guard" 2 || fail "the watcher outlived the saver ($ending at $mode)"
}

run_saver 800x600 16 SIGTERM look
run_saver 800x600 16 key
run_saver 800x600 16 SIGKILL
run_saver 1024x768 24 key look
run_saver 1024x768 24 SIGKILL
run_saver 1024x768 24 SIGTERM
run_saver 1280x1024 32 SIGKILL look
run_saver 1280x1024 32 SIGTERM
run_saver 1280x1024 32 key
run_saver 1024x768 32 mouse
run_saver 800x600 24 focus
kill "$OTHER_PID" 2>/dev/null || true
# 4. The first key after the switch ends it: the toolkit takes the focus
# some time after the mode, and keys typed meanwhile count. A key right as
# the mode shows and 0.1 and 0.2 s after it (VELMO_E2E_REPEAT rounds; one
# here).
for _ in $(seq "${VELMO_E2E_REPEAT:-1}"); do
  for delay in 0 0.1 0.2; do
    write_settings flag_defres=0 ResHor=1024 ResVert=768 ColorDepth=24 clockX=934 flag_PlaySound=0
    "$VELMO" /s 2>"$WORK/saver.err" &
    pid=$!
    PIDS+=("$pid")
    wait_mode 1024x768 10 || fail "1024x768 was not set: $(cat "$WORK/saver.err")"
    sleep "$delay"
    xdotool key x
    # A key typed during start-up is taken once the loop runs: on a loaded
    # machine (a sanitizer build at a load of 10: 3.5 to 7 s) the end comes
    # that much later. A key that was lost would leave the saver running.
    wait_exit "$pid" 20 || fail "a key $delay s after the mode switch did not end the saver"
    [ "$RC" = 0 ] || fail "exit code $RC after the first key: $(tail -5 "$WORK/saver.err")"
    wait_mode $DESKTOP 10 || fail "the desktop's mode did not come back after the first key"
  done
done

# 5. A mode someone sets while the saver runs is theirs: a SIGKILL leaves it.
write_settings flag_defres=0 ResHor=800 ResVert=600 flag_PlaySound=0
"$VELMO" /s 2>"$WORK/saver.err" &
pid=$!
PIDS+=("$pid")
wait_mode 800x600 10 || fail "800x600 was not set: $(cat "$WORK/saver.err")"
guard=$(pgrep -P "$pid" -f -- "--velmo-helper mode-guard" || true)
[ -n "$guard" ] || fail "no watcher of the desktop's mode"
output=$(xrandr | awk '/ connected/ {print $1; exit}')
xrandr --output "$output" --mode 1024x768
wait_mode 1024x768 2 || fail "xrandr could not set 1024x768"
kill -KILL "$pid"
wait_exit "$pid" 10 || fail "the saver did not end on SIGKILL"
wait_until "! alive $guard" 2 || fail "the watcher outlived the saver"
[ "$(screen_size)" = 1024x768 ] && [ "$(monitor_mode)" = 1024x768 ] ||
  fail "the watcher replaced the mode set meanwhile (now $(screen_size))"
xrandr --output "$output" --mode $DESKTOP

echo "display modes set and given back (SIGTERM, key, mouse, focus, SIGKILL), 1366x700 refused, Display tab as RandR says"
