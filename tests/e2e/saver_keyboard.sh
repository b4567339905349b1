#!/usr/bin/env bash
# Keyboard-only mode: the mouse and other keys do nothing, the arrows move the
# clock and "+"/"-" step the brightness, each stored at once; Escape ends.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24

write_settings NumBirds=4 flag_PlaySound=0 flag_fps=0 TermMouse=0 Gamma=200 clockX=928 clockY=100 SetSpeed=2

"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the saver ended by itself: $(cat "$WORK/err")"

xdotool mousemove 100 100
sleep 0.1
xdotool mousemove 600 500
xdotool key a F5 space Return
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the mouse or a plain key ended the saver in keyboard-only mode"

xdotool key Right Right Right Up Up
sleep 0.3
[ "$(stored_value clockX)" = 931 ] || fail "clockX is $(stored_value clockX), not 931"
[ "$(stored_value clockY)" = 98 ] || fail "clockY is $(stored_value clockY), not 98"
# At the band's edge the key still stores, and the clock goes no further.
for _ in $(seq 12); do xdotool key Right; done
sleep 0.3
[ "$(stored_value clockX)" = 934 ] || fail "clockX passed its bound: $(stored_value clockX)"

xdotool key minus minus minus plus
sleep 0.3
[ "$(stored_value Gamma)" = 198 ] || fail "Gamma is $(stored_value Gamma), not 198"

xdotool key Escape
wait_exit "$pid" 5 || fail "Escape did not end the saver"
[ "$RC" = 0 ] || fail "exit code $RC"
grep -q '"NumBirds"=dword:00000004' "$SETTINGS_FILE" || fail "other values were lost"
echo "keyboard-only mode: clock moved and stored, brightness stepped and stored, Escape ended"
