#!/usr/bin/env bash
# "velmo /a", as velmo(6) gives it, and "velmo /a ID" on a system without a
# password-change module: one box captioned "Screen saver" saying that a
# password change is not supported, then exit code 0.
source "$(dirname "$0")/lib.sh"
start_xvfb

for args in "/a" "/a 4660"; do
  # shellcheck disable=SC2086 # the form and its id are two arguments
  "$VELMO" $args 2>"$WORK/err" &
  pid=$!
  PIDS+=("$pid")
  wait_window "Screen saver" 10 >/dev/null || fail "velmo $args: no box captioned Screen saver: $(cat "$WORK/err")"
  dismiss_box "Screen saver"
  wait_exit "$pid" 10 || fail "velmo $args did not end after the box was answered"
  [ "$RC" = 0 ] || fail "velmo $args: exit code $RC"
  grep -q "Changing a screen-saver password is not supported here" "$WORK/err" || fail "velmo $args: wrong message: $(cat "$WORK/err")"
done
echo "password box shown and answered for /a and /a ID; exit code 0"
