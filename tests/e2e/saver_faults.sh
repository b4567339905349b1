#!/usr/bin/env bash
# Faults a user can meet: a stored display mode the monitor refuses (the
# "ERROR" box, then exit 0 with the screen as it was), a stall such as a
# suspended machine (the saver ends quietly), a settings file that is not
# text (the saver still runs and the file is left alone).
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
[ "$RC" = 0 ] || fail "exit code $RC after the refused mode"
dims=$(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9x]*\).*/\1/p')
[ "$dims" = 1024x768 ] || fail "the screen was left in another mode ($dims)"
cmp -s "$WORK/before.reg" "$SETTINGS_FILE" || fail "the settings were changed"

# 2. A stall: the process stopped for three seconds (as in a suspend).
write_settings
"$VELMO" /s 2>"$WORK/err2" &
pid=$!
PIDS+=("$pid")
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the saver did not start: $(cat "$WORK/err2")"
kill -STOP "$pid"
sleep 3
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
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the saver did not run with a binary settings file: $(cat "$WORK/err3")"
xdotool key Escape
wait_exit "$pid" 5 || fail "the saver did not end on a key"
[ "$RC" = 0 ] || fail "exit code $RC with a binary settings file"
cmp -s "$WORK/junk.reg" "$SETTINGS_FILE" || fail "the unreadable settings file was overwritten"
echo "refused mode reported and ended, stall ended quietly, unreadable settings left alone"
