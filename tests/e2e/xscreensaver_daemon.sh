#!/usr/bin/env bash
# The real xscreensaver daemon, run by an unprivileged user with a private
# home whose ~/.xscreensaver lists Velmo: "xscreensaver-command -activate"
# shows the seascape and its sea moves; "-deactivate" ends our process with
# code 0 within a second. Nothing is installed outside the temporary folder.
source "$(dirname "$0")/lib.sh"
for tool in xscreensaver xscreensaver-command; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
start_xvfb 800x600x24

# The daemon's user must reach everything it runs: its own folder, with a
# copy of the program under the name the daemon starts.
daemon="$WORK/daemon"
mkdir -p "$daemon/bin" "$daemon/home" "$daemon/config"
chmod 711 "$WORK"
cp "$VELMO" "$daemon/bin/velmo.bin"
VELMO_FILES+=("$daemon/bin/velmo.bin")
# Stands in for velmo on the daemon's PATH: runs the program (which writes
# its process id to ready once it shows its first frame), hands it the
# daemon's SIGTERM and writes down how and when it ended.
cat >"$daemon/bin/velmo" <<'SH'
#!/bin/bash
here="$(dirname "$0")"
exec {VELMO_READY_FD}>>"$here/../ready"
export VELMO_READY_FD
"$here/velmo.bin" "$@" &
child=$!
trap 'kill -TERM "$child" 2>/dev/null' TERM
while :; do
  wait "$child"
  rc=$?
  kill -0 "$child" 2>/dev/null || break
done
echo "$rc $(date +%s.%N)" >"$here/../ended"
exit "$rc"
SH
chmod 755 "$daemon/bin/velmo"
cat >"$daemon/home/.xscreensaver" <<'XS'
mode:		one
selected:	0
timeout:	1:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
programs:	velmo --root \n\

XS
as_daemon=()
if [ "$(id -u)" = 0 ]; then
  # The daemon refuses to run display programs as root.
  chown -R nobody:nogroup "$daemon"
  as_daemon=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# A sanitizer build's leak check at exit costs some tenths of a second that a
# user's build does not spend; the other end-to-end tests check for leaks.
daemon_run() {
  "${as_daemon[@]}" env -i DISPLAY="$DISPLAY" HOME="$daemon/home" PATH="$daemon/bin:/usr/bin:/bin" \
    XDG_CONFIG_HOME="$daemon/config" SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 VELMO_E2E_MARK="$WORK" "$@"
}

daemon_run xscreensaver --no-splash --verbose --log "$daemon/log" &
PIDS+=($!)
wait_until 'daemon_run xscreensaver-command -version >/dev/null 2>&1' 20 || true
daemon_run xscreensaver-command -activate >/dev/null || fail "the daemon did not take -activate: $(cat "$daemon/log")"

# Our process, found by its program file (the daemon may take a while to
# start it on a loaded machine).
ours=""
find_ours() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$daemon/bin/velmo.bin" ] && ours=${p#/proc/}
  done
  [ -n "$ours" ]
}
wait_until find_ours 30 || fail "the daemon did not start Velmo: $(cat "$daemon/log")"
wait_until "grep -qxF $ours '$daemon/ready' || [ ! -d /proc/$ours ]" 30 && grep -qxF "$ours" "$daemon/ready" ||
  fail "Velmo showed nothing: $(cat "$daemon/log")"

mean() { convert "$1" -crop "$2" -colorspace gray -format "%[fx:int(255*mean)]" info:; }
import -window root "$WORK/a.png"
moved=""
wait_until 'import -window root "$WORK/b.png"
  convert "$WORK/a.png" -crop 800x40+0+380 +repage "$WORK/sea-a.png"
  convert "$WORK/b.png" -crop 800x40+0+380 +repage "$WORK/sea-b.png"
  moved=$(pixels_differ "$WORK/sea-a.png" "$WORK/sea-b.png" 2%)
  [ "$moved" -gt 500 ]' 10 || true
mkdir -p "${VELMO_E2E_ARTEFACTS:-$WORK/artefacts}"
cp "$WORK/a.png" "${VELMO_E2E_ARTEFACTS:-$WORK/artefacts}/xscreensaver.png"
sky=$(mean "$WORK/a.png" 800x150+0+0)
rocks=$(mean "$WORK/a.png" 800x40+0+560)
[ "$sky" -gt 60 ] || fail "no sky at the top of the screen (grey $sky)"
[ "$rocks" -lt 50 ] && [ "$rocks" -lt "$sky" ] || fail "no rocks at the bottom (grey $rocks, sky $sky)"
[ "$moved" -gt 500 ] 2>/dev/null || fail "the sea does not move (changed pixels: $moved)"

asked=$(date +%s.%N)
daemon_run xscreensaver-command -deactivate >/dev/null || fail "the daemon did not take -deactivate"
wait_until '[ -f "$daemon/ended" ]' 10
[ -f "$daemon/ended" ] || fail "Velmo did not end after -deactivate: $(cat "$daemon/log")"
read -r rc ended <"$daemon/ended"
[ "$rc" = 0 ] || fail "Velmo ended with code $rc: $(cat "$daemon/log")"
took=$(awk -v a="$asked" -v e="$ended" 'BEGIN { printf "%.2f", e - a }')
awk -v t="$took" 'BEGIN { exit !(t < 1) }' || fail "Velmo took $took s to end"
[ ! -d "/proc/$ours" ] || fail "Velmo's process is still there"
echo "PASS: xscreensaver showed the seascape (sky $sky, rocks $rocks, sea moving $moved px); ended with code 0 in $took s"
