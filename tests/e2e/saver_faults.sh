#!/usr/bin/env bash
# Faults a user can meet: a stored display mode the monitor refuses (the
# "ERROR" box, then exit 0 with the screen as it was), a stall such as a
# suspended machine (the saver ends quietly), a settings file that is not
# text (the saver still runs and the file is left alone).
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24
reg_dir="$XDG_CONFIG_HOME/Corvane"
mkdir -p "$reg_dir"
write_settings() {  # $1 = flag_defres, $2 = ResHor, $3 = ResVert
  cat >"$reg_dir/Velmo20.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]
"NumBirds"=dword:00000007
"flag_clock"=dword:00000001
"flag_PlaySound"=dword:00000001
"flag_fps"=dword:00000001
"TermMouse"=dword:00000001
"Gamma"=dword:00000100
"flag_defres"=dword:0000000$1
"ResHor"=dword:$(printf %08x "$2")
"ResVert"=dword:$(printf %08x "$3")
"ColorDepth"=dword:00000020
"clockX"=dword:000003a6
"clockY"=dword:0000005a
"clockRad"=dword:00000046
"ColorClock"=dword:000080ff
"SetSpeed"=dword:00000001
REG
}

# 1. A mode the monitor does not offer.
write_settings 0 1600 1200
cp "$reg_dir/Velmo20.reg" "$WORK/before.reg"
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
cmp -s "$WORK/before.reg" "$reg_dir/Velmo20.reg" || fail "the settings were changed"

# 2. A stall: the process stopped for three seconds (as in a suspend).
write_settings 1 1024 768
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
head -c 4096 /dev/urandom >"$reg_dir/Velmo20.reg"
printf '\0' >>"$reg_dir/Velmo20.reg"
cp "$reg_dir/Velmo20.reg" "$WORK/junk.reg"
"$VELMO" /s 2>"$WORK/err3" &
pid=$!
PIDS+=("$pid")
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the saver did not run with a binary settings file: $(cat "$WORK/err3")"
xdotool key Escape
wait_exit "$pid" 5 || fail "the saver did not end on a key"
[ "$RC" = 0 ] || fail "exit code $RC with a binary settings file"
cmp -s "$WORK/junk.reg" "$reg_dir/Velmo20.reg" || fail "the unreadable settings file was overwritten"
echo "refused mode reported and ended, stall ended quietly, unreadable settings left alone"
