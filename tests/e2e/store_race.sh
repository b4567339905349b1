#!/usr/bin/env bash
# Ten programs started at the same instant on an empty settings directory,
# as a daemon starting one saver per monitor and a user's own saver may be:
# five in windows of their own (-window-id, as a daemon gives them) and five
# full screen. None sees a part of the store (no store error), and the store
# then holds one whole set of the defaults.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24
here="$(cd "$(dirname "$0")" && pwd)"

windows=()
for i in 1 2 3 4 5; do
  python3 "$here/plain_window.py" "daemon$i" 320 240 $((i * 50)) $((i * 40)) >"$WORK/win$i" &
  PIDS+=($!)
done
for i in 1 2 3 4 5; do
  wait_for 10 test -s "$WORK/win$i" || fail "no window daemon$i"
  windows+=("$(cat "$WORK/win$i")")
done

started=()
for i in 0 1 2 3 4 5 6 7 8 9; do
  if [ "$i" -lt 5 ]; then args=(-window-id "${windows[$i]}"); else args=(/s); fi
  (until [ -e "$WORK/go" ]; do sleep 0.002; done; exec "$VELMO" "${args[@]}") >/dev/null 2>"$WORK/err$i" &
  started+=($!)
  PIDS+=($!)
done
touch "$WORK/go"

whole_set() { [ "$(grep -c '=dword:' "$SETTINGS_FILE" 2>/dev/null)" = 15 ]; }
wait_for 30 whole_set || fail "the store holds no whole set: $(cat "$SETTINGS_FILE" 2>/dev/null) $(cat "$WORK"/err*)"
# Each has read the store by the time it draws; the hosted ones run on.
for i in 0 1 2 3 4; do
  wait_for 30 kill -0 "${started[$i]}" || true
done
for p in "${started[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
wait_for 10 all_gone "${started[@]}" || fail "not all ten ended on SIGTERM"
for i in 0 1 2 3 4 5 6 7 8 9; do
  ! grep -qi "failed to get data\|invalid data type\|lacks" "$WORK/err$i" || fail "program $i saw a part of the store: $(cat "$WORK/err$i")"
done
for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
  clockX clockY clockRad ColorClock SetSpeed; do
  [ -n "$(stored_value "$name")" ] || fail "the store lacks $name: $(cat "$SETTINGS_FILE")"
done
[ "$(stored_value NumBirds)" = 7 ] && [ "$(stored_value ResHor)" = 1024 ] && [ "$(stored_value clockX)" = 908 ] ||
  fail "the store holds other than the defaults: $(cat "$SETTINGS_FILE")"
[ -z "$(ls -A "$(dirname "$SETTINGS_FILE")" | grep -v '^Velmo20.reg\(.lock\)\?$')" ] || fail "stray files: $(ls -A "$(dirname "$SETTINGS_FILE")")"
echo "PASS: ten programs at once on an empty store; none saw a part of it, one whole set of defaults stored"
