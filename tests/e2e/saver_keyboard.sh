#!/usr/bin/env bash
# Keyboard-only mode: the mouse (movements, buttons, the wheel) and other keys do nothing, the arrows move the
# clock and "+"/"-" step the brightness, each stored at once; Escape ends.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24

write_settings NumBirds=4 flag_PlaySound=0 flag_fps=0 TermMouse=0 Gamma=200 clockX=928 clockY=100 SetSpeed=2

"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver did not start: $(cat "$WORK/err")"

# Nothing must happen: only time can tell, so this wait is a fixed one.
xdotool mousemove 100 100
sleep 0.1
xdotool mousemove 600 500
xdotool click 1 click 3 click 4 click 5
xdotool key a F5 space Return
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the mouse, a click or a plain key ended the saver in keyboard-only mode"

xdotool key Right Right Right Up Up
wait_until '[ "$(stored_value clockX),$(stored_value clockY)" = 931,98 ]' 10 ||
  fail "the clock is at $(stored_value clockX),$(stored_value clockY), not 931,98"
# At the band's edge the key still stores, and the clock goes no further.
# Keys are taken in order: once the "-" after them is stored, so are they.
for _ in $(seq 12); do xdotool key Right; done
xdotool key minus
wait_until '[ "$(stored_value Gamma)" = 199 ]' 10 || fail "Gamma is $(stored_value Gamma), not 199"
[ "$(stored_value clockX)" = 934 ] || fail "clockX passed its bound: $(stored_value clockX)"

xdotool key minus minus plus Escape
wait_exit "$pid" 5 || fail "Escape did not end the saver"
[ "$RC" = 0 ] || fail "exit code $RC"
[ "$(stored_value Gamma)" = 198 ] || fail "Gamma is $(stored_value Gamma), not 198"
grep -q '"NumBirds"=dword:00000004' "$SETTINGS_FILE" || fail "other values were lost"
echo "keyboard-only mode: clock moved and stored, brightness stepped and stored, Escape ended"
