#!/usr/bin/env bash
# The idle watcher on X11 without a desktop (Xvfb, MIT-SCREEN-SAVER and the
# SYNC extension's idle counter) with a session bus of its own, where the
# watcher serves org.freedesktop.ScreenSaver: velmo --idle --after 3 starts
# the saver after three quiet seconds; an inhibition held by a client (as
# a video player holds one) holds it off, and when that client's connection
# closes without UnInhibit the saver starts after the delay; the X server's
# own blank ends the saver quietly; SIGTERM ends the watcher and its saver.
# Then, with xscreensaver's daemon running, the watcher stands aside.
source "$(dirname "$0")/lib.sh"
# velmo --idle becomes velmo-idle, beside it: its processes count as ours.
[ -x "$(dirname "$VELMO")/velmo-idle" ] && VELMO_FILES+=("$(readlink -f "$(dirname "$VELMO")/velmo-idle")")
for tool in Xvfb xdotool xset dbus-daemon; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
/usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null || skip "python3-gi is not installed"
start_xvfb 800x600x24
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/bus" --nofork --nopidfile >"$WORK/bus.log" 2>&1 &
PIDS+=("$!")
export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
wait_until '[ -S "$XDG_RUNTIME_DIR/bus" ]' 20 || fail "no session bus: $(cat "$WORK/bus.log")"
saver_of() { pgrep -P "$1" || true; }

"$VELMO" --idle --after 3 2>"$WORK/watcher.err" &
watcher=$!
PIDS+=("$watcher")
wait_until 'grep -q "starts after 3 seconds" "$WORK/watcher.err"' 20 ||
  fail "the watcher did not start: $(cat "$WORK/watcher.err")"
grep -q "X11 IDLETIME; inhibitions through its own org.freedesktop.ScreenSaver" "$WORK/watcher.err" ||
  fail "the watcher chose otherwise: $(cat "$WORK/watcher.err")"
xdotool key shift
quiet=$(now_ms)
wait_until '[ -n "$(saver_of "$watcher")" ]' 30 || fail "no saver after three quiet seconds: $(cat "$WORK/watcher.err")"
waited=$(($(now_ms) - quiet))
[ "$waited" -ge 2000 ] || fail "the saver started ${waited} ms after the last key, before the delay"
saver=$(saver_of "$watcher")
wait_shown "$saver" || fail "the saver showed nothing: $(cat "$WORK/watcher.err")"
import -window root "$ARTEFACTS/idle-x11.png"
xdotool key space
wait_until "! kill -0 $saver 2>/dev/null" 15 || fail "the saver did not end on a key"

# A player's inhibition holds it off; its connection closing without
# UnInhibit gives it back, and the saver starts a delay later.
exec {hold}> >(exec /usr/bin/python3 "$(dirname "$0")/inhibit_client.py" /ScreenSaver >"$WORK/cookie" 2>&1)
player=$!
wait_until '[ -s "$WORK/cookie" ]' 20 || fail "the test client could not inhibit"
grep -qE '^[1-9][0-9]*$' "$WORK/cookie" || fail "Inhibit answered: $(cat "$WORK/cookie")"
xdotool key shift
sleep 6  # twice the delay: time itself is what is tested
[ -z "$(saver_of "$watcher")" ] || fail "the saver started while an inhibition was held"
kill -KILL "$player"
exec {hold}>&-
gone=$(now_ms)
wait_until '[ -n "$(saver_of "$watcher")" ]' 30 || fail "no saver once the player's connection closed"
after=$(($(now_ms) - gone))
[ "$after" -ge 2000 ] || fail "the saver started ${after} ms after the inhibition went, before the delay"
saver=$(saver_of "$watcher")
wait_shown "$saver" || fail "the saver showed nothing"

# The server's own blank (xset s) ends the saver quietly, and none starts
# over it.
xset s 2 0
wait_until "! kill -0 $saver 2>/dev/null" 15 || fail "the saver did not give way to the server's blank"
grep -q "the saver ended with code" "$WORK/watcher.err" && fail "the saver did not end quietly: $(cat "$WORK/watcher.err")"
xset s off
xdotool key shift
wait_until '[ -n "$(saver_of "$watcher")" ]' 30 || fail "no saver after the blank went and the delay passed"
saver=$(saver_of "$watcher")
wait_shown "$saver" || fail "the saver showed nothing"

# SIGTERM ends the watcher and the saver it started.
sigterm_ends "$watcher" "the watcher" 10 "$WORK/watcher.err"
wait_until "! kill -0 $saver 2>/dev/null" 10 || fail "the saver outlived its watcher"

# Started with the session (the stored idle start on), the watcher follows
# the dialog's changes without a restart: a new delay, and the idle start
# turned off, which ends it.
store_idle() {  # IdleStart IdleMinutes: the whole file replaced at once, as the store writes it
  SETTINGS_FILE="$SETTINGS_FILE.tmp" write_settings
  printf '"IdleStart"=dword:%08x\n"IdleMinutes"=dword:%08x\n' "$1" "$2" >>"$SETTINGS_FILE.tmp"
  mv "$SETTINGS_FILE.tmp" "$SETTINGS_FILE"
}
store_idle 1 1
"$VELMO" --idle 2>"$WORK/session.err" &
watcher=$!
PIDS+=("$watcher")
wait_until 'grep -q "starts after 1 minute " "$WORK/session.err"' 20 || fail "the watcher said: $(cat "$WORK/session.err")"
store_idle 1 2
wait_until 'grep -q "now waiting for 2 minutes without input" "$WORK/session.err"' 20 ||
  fail "the watcher did not follow the new delay: $(cat "$WORK/session.err")"
store_idle 0 2
wait_exit "$watcher" 20 || fail "the watcher did not end when the idle start was turned off"
[ "$RC" = 0 ] || fail "the watcher ended with $RC: $(cat "$WORK/session.err")"
grep -q "was turned off; the watcher ends" "$WORK/session.err" || fail "it said: $(cat "$WORK/session.err")"

# Never two savers: with xscreensaver's daemon on the display, the watcher
# stands aside.
if command -v xscreensaver >/dev/null; then
  source "$(dirname "$0")/daemon.bash"
  daemon_prepare "velmo -root"
  daemon_run xscreensaver --no-splash --log "$daemon/log" &
  PIDS+=($!)
  wait_until "daemon_run xscreensaver-command -version >/dev/null 2>&1" 20 || fail "xscreensaver did not start"
  "$VELMO" --idle 2>"$WORK/aside.err" || fail "the watcher beside xscreensaver ended with $?"
  grep -q "xscreensaver already serves this display" "$WORK/aside.err" || fail "it said: $(cat "$WORK/aside.err")"
fi
echo "PASS: started ${waited} ms after the last key; an inhibition held it off and ${after} ms after its connection closed it started; the server's blank ended it; SIGTERM ended both; it followed a new stored delay and ended when the idle start was turned off; beside xscreensaver it stood aside"
