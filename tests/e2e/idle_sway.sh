#!/usr/bin/env bash
# The idle watcher on sway (headless, two outputs, sway running as nobody in
# a runtime directory of its own, as sway.sh runs it): velmo --idle --after 3
# starts no saver while keys come, starts it on both outputs after three
# quiet seconds, a key ends the saver, and three seconds later it starts
# again; a window holding a Wayland idle inhibitor holds it off for as long
# as it is shown. A second watcher stands aside; SIGTERM ends the watcher and
# its saver with 0.
source "$(dirname "$0")/lib.sh"
# velmo --idle becomes velmo-idle, beside it: its processes count as ours.
[ -x "$(dirname "$VELMO")/velmo-idle" ] && VELMO_FILES+=("$(readlink -f "$(dirname "$VELMO")/velmo-idle")")
for tool in sway swaymsg grim wtype setpriv; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
INHIBITOR="${VELMO_INHIBITOR_CLIENT:-$(dirname "$VELMO")/tests/idle_inhibitor_client}"
[ -x "$INHIBITOR" ] || skip "the test client idle_inhibitor_client is not built"
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET SDL_VIDEODRIVER QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS

source "$(dirname "$0")/sway.bash"
start_sway "output HEADLESS-1 mode 1280x720 position 0 0
output HEADLESS-2 mode 800x600 position 1280 0"

saver_of() { pgrep -P "$1" || true; }  # the saver the watcher $1 runs, if any

"$VELMO" --idle --after 3 2>"$WORK/watcher.err" &
watcher=$!
PIDS+=("$watcher")
wait_until 'grep -q "starts after 3 seconds" "$WORK/watcher.err"' 20 ||
  fail "the watcher did not start: $(cat "$WORK/watcher.err")"
grep -q "velmo: no session bus" "$WORK/watcher.err" || fail "no line for the missing session bus: $(cat "$WORK/watcher.err")"

# Keys for about five seconds, one every 0.7 s: no saver meanwhile.
wtype -s 700 -k a -s 700 -k a -s 700 -k a -s 700 -k a -s 700 -k a -s 700 -k a -s 700 -k a || fail "wtype could not type"
[ -z "$(saver_of "$watcher")" ] || fail "the saver started while keys came"
quiet=$(now_ms)
wait_until '[ -n "$(saver_of "$watcher")" ]' 30 || fail "no saver after three quiet seconds: $(cat "$WORK/watcher.err")"
waited=$(($(now_ms) - quiet))
[ "$waited" -ge 2000 ] || fail "the saver started ${waited} ms after the last key, before the delay"
saver=$(saver_of "$watcher")
for output in HEADLESS-1 HEADLESS-2; do
  wait_until "seascape_on $output" 30 || fail "$output shows no seascape: $(cat "$WORK/watcher.err")"
done
convert "$WORK/HEADLESS-1.ppm" "$WORK/HEADLESS-2.ppm" -background black +append "$ARTEFACTS/idle-sway.png"

# A key ends it; three seconds later it starts again.
wait_shown "$saver" || fail "the saver showed nothing"
wtype -s 500 -k space || fail "wtype could not type"
ended=$(now_ms)  # the delay counts from the key
wait_until "! kill -0 $saver 2>/dev/null" 15 || fail "the saver did not end on a key"
wait_until '[ -n "$(saver_of "$watcher")" ]' 30 || fail "the saver did not start again: $(cat "$WORK/watcher.err")"
again=$(($(now_ms) - ended))
[ "$again" -ge 2000 ] || fail "the saver started again ${again} ms after the key, before the delay"
saver=$(saver_of "$watcher")
wait_shown "$saver" || fail "the saver started again showed nothing"

# A second watcher for the session stands aside.
"$VELMO" --idle --after 3 2>"$WORK/second.err" || fail "the second watcher ended with $?"
grep -q "a watcher already runs" "$WORK/second.err" || fail "the second watcher said: $(cat "$WORK/second.err")"

# A window holding an idle inhibitor holds the saver off while it is shown.
wtype -s 500 -k space
wait_until "! kill -0 $saver 2>/dev/null" 15 || fail "the saver did not end on a key"
exec {hold}> >(exec "$INHIBITOR" >"$WORK/inhibitor.out" 2>&1)
wait_until 'grep -q shown "$WORK/inhibitor.out"' 20 || fail "the inhibitor's window did not show: $(cat "$WORK/inhibitor.out")"
sleep 6  # twice the delay: time itself is what is tested
[ -z "$(saver_of "$watcher")" ] || fail "the saver started over a window holding an idle inhibitor"
exec {hold}>&-  # the window goes
wait_until '[ -n "$(saver_of "$watcher")" ]' 30 || fail "no saver once the inhibitor's window went"
saver=$(saver_of "$watcher")

# SIGTERM ends the watcher and the saver it started, with 0.
wait_shown "$saver" || fail "the saver showed nothing"
sigterm_ends "$watcher" "the watcher" 10 "$WORK/watcher.err"
wait_until "! kill -0 $saver 2>/dev/null" 10 || fail "the saver outlived its watcher"
echo "PASS: no saver while typing; started after ${waited} ms quiet on both outputs, again ${again} ms after a key; an idle inhibitor held it off; a second watcher stood aside; SIGTERM ended both"
