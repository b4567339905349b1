#!/usr/bin/env bash
# The settings dialog is open while the saver runs in keyboard-only mode and
# its keys store a new brightness and a new place of the clock; OK in the
# untouched dialog then keeps what the saver stored.
source "$(dirname "$0")/lib.sh"
unset QT_QPA_PLATFORM
start_xvfb 1024x768x24

write_settings NumBirds=2 flag_PlaySound=0 TermMouse=0 Gamma=256 clockX=900 clockY=200
"$VELMO" /c >"$WORK/dialog.log" 2>&1 &
dialog=$!
PIDS+=("$dialog")
win=$(wait_dialog "$dialog" "$WORK/dialog.log")

"$VELMO" /s 2>"$WORK/saver.log" &
saver=$!
PIDS+=("$saver")
wait_shown "$saver" || fail "the saver did not run: $(cat "$WORK/saver.log")"
# Keys reach the saver once its window has the focus; each press is stored.
darker() { [ "$(stored_value Gamma)" -lt 256 ]; }
for _ in $(seq 50); do
  xdotool key minus
  wait_for 0.3 darker && break
done
darker || fail "the saver did not store its brightness: $(cat "$WORK/saver.log")"
gamma=$(( $(stored_value Gamma) - 4 ))
xdotool key minus minus minus minus Left Left Left Up Up
wait_for 5 eval "stored_is Gamma $gamma && stored_is clockX 897 && stored_is clockY 198" ||
  fail "the saver stored Gamma $(stored_value Gamma), clock $(stored_value clockX),$(stored_value clockY)"
xdotool key Escape
wait_exit "$saver" 10 || fail "Escape did not end the saver"

eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove --window "$win" 333 $((HEIGHT - 17)) click 1
wait_exit "$dialog" 10 || fail "OK did not end the dialog"
[ "$RC" = 0 ] || fail "the dialog ended with $RC: $(cat "$WORK/dialog.log")"
[ "$(stored_value Gamma)" = "$gamma" ] && [ "$(stored_value clockX)" = 897 ] && [ "$(stored_value clockY)" = 198 ] ||
  fail "OK undid the saver's values: Gamma $(stored_value Gamma), clock $(stored_value clockX),$(stored_value clockY)"
[ "$(stored_value NumBirds)" = 2 ] || fail "OK changed NumBirds"
echo "the saver's brightness $gamma and clock 897,198 survived OK in the dialog"
