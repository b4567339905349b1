#!/usr/bin/env bash
# A hand-edited settings file that lacks values and whose section ends in a
# continued line: the saver runs on defaults for what is missing, "-" in
# keyboard-only mode stores Gamma, and afterwards every value reads back
# (the next start finds nothing missing) and the user's line is still there.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24

mkdir -p "$(dirname "$SETTINGS_FILE")"
printf '%s\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\SOFTWARE\Corvane\Velmo20]' \
  '"NumBirds"=dword:00000003' '"flag_PlaySound"=dword:00000000' '"TermMouse"=dword:00000000' \
  '"Path"=hex(1):25,00,41,00,\' '  42,00,43,00,\' >"$SETTINGS_FILE"
cp "$SETTINGS_FILE" "$WORK/before.reg"

"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver did not run on a file lacking values: $(cat "$WORK/err")"
grep -q "lacks .*Gamma" "$WORK/err" || fail "the missing values were not named: $(cat "$WORK/err")"
[ "$(grep -c lacks "$WORK/err")" = 1 ] || fail "the missing values were named more than once"
cmp -s "$WORK/before.reg" "$SETTINGS_FILE" || fail "starting the saver changed the file"
darker() { [ -n "$(stored_value Gamma)" ]; }
for _ in $(seq 50); do
  xdotool key minus
  wait_for 0.3 darker && break
done
darker || fail "\"-\" stored no Gamma: $(cat "$WORK/err")"
gamma=$(stored_value Gamma)
xdotool key Escape
wait_exit "$pid" 10 || fail "Escape did not end the saver"
[ "$RC" = 0 ] || fail "exit code $RC: $(cat "$WORK/err")"

grep -qxF '"Path"=hex(1):25,00,41,00,\' "$SETTINGS_FILE" && grep -qxF '  42,00,43,00,\' "$SETTINGS_FILE" ||
  fail "the user's line is gone: $(cat "$SETTINGS_FILE")"
[ "$gamma" -lt 256 ] && [ "$(stored_value NumBirds)" = 3 ] && [ "$(stored_value flag_PlaySound)" = 0 ] ||
  fail "values were not kept: $(cat "$SETTINGS_FILE")"

# Read back by the program itself: nothing is missing now, and a key that
# ends the saver in keyboard-only mode still does (TermMouse read as 0).
"$VELMO" /s 2>"$WORK/err2" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver did not run again: $(cat "$WORK/err2")"
xdotool key a
! wait_for 0.5 all_gone "$pid" || fail "a plain key ended the saver: TermMouse did not read back"
xdotool key Escape
wait_exit "$pid" 10 || fail "Escape did not end the second run"
grep -q lacks "$WORK/err2" && fail "values written by the saver do not read back: $(cat "$WORK/err2"; cat "$SETTINGS_FILE")"
echo "a file lacking values and ending in a continued line: the saver ran, stored Gamma $gamma, every value reads back"
