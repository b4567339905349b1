#!/usr/bin/env bash
# Faults a user can meet: a stored display mode the monitor refuses (the
# "ERROR" box, then exit code 2 with the screen as it was), a stall such as a
# suspended machine (the saver ends quietly), a settings file that is not
# text (the saver still runs and the file is left alone), clock values edited
# far off the screen (the saver runs at an ordinary cost and ends on SIGTERM),
# a FIFO in place of the settings file (no hang, and it stays a FIFO).
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24

# 1. A mode the monitor does not offer.
write_settings flag_defres=0 ResHor=1600 ResVert=1200
cp "$SETTINGS_FILE" "$WORK/before.reg"
"$VELMO" /s 2>"$WORK/err1" &
pid=$!
PIDS+=("$pid")
wait_window "ERROR" 10 >/dev/null || fail "no ERROR box for a refused mode: $(cat "$WORK/err1")"
grep -q "ERROR: Error SetDisplayMode" "$WORK/err1" || fail "wrong text: $(cat "$WORK/err1")"
dismiss_box "ERROR"
wait_exit "$pid" 10 || fail "the saver did not end after the refused mode"
[ "$RC" = 2 ] || fail "exit code $RC after the refused mode, not 2"
dims=$(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9x]*\).*/\1/p')
[ "$dims" = 1024x768 ] || fail "the screen was left in another mode ($dims)"
cmp -s "$WORK/before.reg" "$SETTINGS_FILE" || fail "the settings were changed"

# 2. A stall: the process stopped for three seconds (as in a suspend).
write_settings
"$VELMO" /s 2>"$WORK/err2" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver did not start: $(cat "$WORK/err2")"
kill -STOP "$pid"
sleep 3  # the stall itself
kill -CONT "$pid"
wait_exit "$pid" 5 || fail "the saver did not end after a stall"
[ "$RC" = 0 ] || fail "exit code $RC after a stall"
[ -z "$(wait_window "ERROR" 1 || true)" ] || fail "a stall must end quietly"

# 3. A settings file that is not text: the saver runs on defaults, leaves it alone.
head -c 4096 /dev/urandom >"$SETTINGS_FILE"
printf '\0' >>"$SETTINGS_FILE"
cp "$SETTINGS_FILE" "$WORK/junk.reg"
"$VELMO" /s 2>"$WORK/err3" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver did not run with a binary settings file: $(cat "$WORK/err3")"
xdotool key Escape
wait_exit "$pid" 5 || fail "the saver did not end on a key"
[ "$RC" = 0 ] || fail "exit code $RC with a binary settings file"
cmp -s "$WORK/junk.reg" "$SETTINGS_FILE" || fail "the unreadable settings file was overwritten"

# CPU seconds (user + system) the process $1 has used so far.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}

# Sends SIGTERM to the saver $1: its window must be gone within $2 ms (it
# does not spin or block between frames) and the process soon after (a
# sanitiser build spends a while on its leak check at exit).
ends_on_sigterm() {
  local pid="$1" limit="$2" start gone=""
  start=$(date +%s%N)
  kill -TERM "$pid"
  while [ $(($(date +%s%N) - start)) -lt $((limit * 1000000)) ]; do
    if ! xwininfo -root -tree 2>/dev/null | grep -q '"Velmo"'; then
      gone=$((($(date +%s%N) - start) / 1000000))
      break
    fi
    sleep 0.02
  done
  [ -n "$gone" ] || return 1
  wait_exit "$pid" 5 || return 1
  echo "window gone ${gone} ms after SIGTERM, process $((($(date +%s%N) - start) / 1000000)) ms"
}

# 4. Clock values far outside the screen, at both ends of the 32-bit range
# (silent, so that closing the sound device does not count in the time).
for far in "clockX=2147483647 clockY=2147483648 clockRad=2147483647" \
  "clockX=2147483648 clockY=2147483647 clockRad=2147483648"; do
  # shellcheck disable=SC2086
  write_settings flag_PlaySound=0 $far
  cp "$SETTINGS_FILE" "$WORK/far.reg"
  "$VELMO" /s 2>"$WORK/err4" &
  pid=$!
  PIDS+=("$pid")
  wait_shown "$pid" || fail "the saver did not run with $far: $(cat "$WORK/err4")"
  before=$(cpu_seconds "$pid")
  sleep 3  # the time the cost is measured over
  load=$(awk -v a="$before" -v b="$(cpu_seconds "$pid")" 'BEGIN { print (b - a) / 3 }')
  awk -v l="$load" 'BEGIN { exit !(l < 0.3) }' || fail "the saver used $load of a core with $far"
  ends_on_sigterm "$pid" 2000 || fail "the saver did not end within two seconds of SIGTERM with $far"
  cmp -s "$WORK/far.reg" "$SETTINGS_FILE" || fail "the stored clock values were changed"
  echo "with $far: $load of a core, ended on SIGTERM"
done

# 5. A FIFO at the settings path: the saver runs on defaults, says why, and
# the FIFO stays.
rm -f "$SETTINGS_FILE"
mkfifo "$SETTINGS_FILE"
"$VELMO" /s 2>"$WORK/err5" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver did not run with a FIFO as its settings file: $(cat "$WORK/err5")"
ends_on_sigterm "$pid" 3000 || fail "the saver did not end on SIGTERM with a FIFO as its settings file"
[ -p "$SETTINGS_FILE" ] || fail "the FIFO at the settings path was replaced"
grep -q "not a regular file" "$WORK/err5" || fail "no word on the FIFO: $(cat "$WORK/err5")"
echo "refused mode reported and ended, stall ended quietly, unreadable settings left alone, far clock values" \
  "drawn cheaply, FIFO neither blocking nor replaced"
