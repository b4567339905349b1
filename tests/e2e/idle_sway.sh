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

as_user=()
chmod 711 "$WORK"
RUNTIME=$(mktemp -d "$WORK/runtime.XXXXXX")
if [ "$(id -u)" = 0 ]; then
  chown nobody:nogroup "$RUNTIME"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
cat >"$RUNTIME/config" <<'CONF'
output HEADLESS-1 mode 1280x720 position 0 0
output HEADLESS-2 mode 800x600 position 1280 0
CONF
chmod 644 "$RUNTIME/config"
"${as_user[@]}" env -i HOME="$RUNTIME" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RUNTIME" WLR_BACKENDS=headless \
  WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$RUNTIME/config" \
  >"$WORK/sway.log" 2>&1 &
SWAY=$!
PIDS+=("$SWAY")
socket() { find "$RUNTIME" -maxdepth 1 -type s -name "$1" -printf '%f\n' | head -n 1; }
wait_until '[ -n "$(socket "wayland-*")" ] && [ -n "$(socket "sway-ipc.*")" ] || ! kill -0 $SWAY 2>/dev/null' 30
[ -n "$(socket "sway-ipc.*")" ] || fail "sway did not start: $(tail -5 "$WORK/sway.log")"
export XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY="$(socket "wayland-*")" SWAYSOCK="$RUNTIME/$(socket "sway-ipc.*")"
wait_until 'swaymsg -t get_outputs >/dev/null 2>&1' 10 || fail "sway does not answer"

means() {
  convert "$1" -crop "$2" +repage -format "%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]" info:
}
# Whether the output $1 shows the seascape (a blue sky over darker rocks).
seascape_on() {
  local shot="$WORK/$1.ppm" w h
  grim -t ppm -o "$1" "$shot" 2>/dev/null || return 1
  read -r w h < <(identify -format "%w %h" "$shot")
  read -r sr sg sb < <(means "$shot" "${w}x$((h / 8))+0+0")
  read -r rr rg rb < <(means "$shot" "${w}x$((h / 20))+0+$((h - h / 10))")
  [ $((sb - sg)) -gt 20 ] && [ $((rr + rg + rb)) -lt $((sr + sg + sb)) ]
}
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
