#!/usr/bin/env bash
# A first run killed at any moment leaves no settings file or a whole one,
# and the next start runs: $VELMO_E2E_KILLS (40) first runs are each
# SIGKILLed at a moment up to twice the time a first run takes to store its
# defaults (at least 200 ms): one moment at random in each of as many equal
# slices of that span, so the kills fall before, during and after the write
# however few they are.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24
kills="${VELMO_E2E_KILLS:-40}"

whole() {
  local name
  for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
    clockX clockY clockRad ColorClock SetSpeed; do
    [ -n "$(stored_value "$name")" ] || return 1
  done
}
stored() { [ -s "$SETTINGS_FILE" ]; }
saver_shown() { window_exists "Velmo"; }

# How long a first run takes to store its defaults.
t0=$(now_ms)
"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_for 30 stored || fail "the first run stored nothing: $(cat "$WORK/err")"
window=$(( $(now_ms) - t0 ))
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
span=$(( 2 * window > 200 ? 2 * window : 200 ))
echo "a first run stores its defaults ${window} ms after its start; kills fall in 0..${span} ms"

absent=0 complete=0 started=0
for i in $(seq "$kills"); do
  rm -rf "$XDG_CONFIG_HOME/Corvane"
  "$VELMO" /s 2>"$WORK/err" &
  pid=$!
  sleep "$(awk -v r="$RANDOM" -v s="$span" -v i="$i" -v n="$kills" 'BEGIN { printf "%.3f", (i - 1 + r / 32768) / n * s / 1000 }')"
  if kill -KILL "$pid" 2>/dev/null; then
    wait "$pid" 2>/dev/null || true
  else
    rc=0
    wait "$pid" || rc=$?
    [ "$rc" = 0 ] || fail "first run $i ended by itself with $rc before its kill: $(cat "$WORK/err")"
  fi
  if [ -e "$SETTINGS_FILE" ]; then
    whole || fail "run $i left a settings file that is not whole: $(cat "$SETTINGS_FILE")"
    complete=$((complete + 1))
  else
    absent=$((absent + 1))
  fi
  # The killed run's window goes with its connection.
  wait_for 5 eval '! saver_shown' || fail "the window of killed run $i stayed"
  # The next start runs: its window comes, with no box, and SIGTERM ends it.
  "$VELMO" /s 2>"$WORK/next" &
  pid=$!
  wait_shown "$pid" || fail "after run $i the next start did not run: $(cat "$WORK/next")"
  window_exists "ERROR" && fail "after run $i the next start shows an error: $(cat "$WORK/next")"
  kill -TERM "$pid" 2>/dev/null || true
  wait_exit "$pid" 10 || fail "the next start after run $i did not end on SIGTERM"
  [ "$RC" = 0 ] || fail "the next start after run $i ended with $RC: $(cat "$WORK/next")"
  whole || fail "after run $i and the next start the settings are not whole"
  started=$((started + 1))
done
strays=$(find "$XDG_CONFIG_HOME" -name '.Velmo20.reg.tmp.*' | wc -l)
echo "$kills killed first runs: $absent left no file, $complete a whole one; $started next starts ran; $strays temporary files left"
[ "$strays" = 0 ] || fail "temporary files were left"
