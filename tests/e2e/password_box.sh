#!/usr/bin/env bash
# "velmo /a ID" on a system without a password-change module: one box
# captioned "Screen saver" saying that a password change is not supported, then exit code 0.
source "$(dirname "$0")/lib.sh"
start_xvfb

"$VELMO" /a 4660 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
box=$(wait_window "Screen saver" 10) || fail "no box captioned Screen saver"
import -window root "$WORK/box.png"
dismiss_box "Screen saver"
wait_exit "$pid" 10 || fail "velmo /a did not end after the box was answered"
[ "$RC" = 0 ] || fail "exit code $RC"
grep -q "Changing a screen-saver password is not supported here" "$WORK/err" || fail "wrong message: $(cat "$WORK/err")"
echo "password box shown and answered; exit code 0"
