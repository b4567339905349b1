#!/usr/bin/env bash
# The real xscreensaver daemon on a desktop of two monitors (the dummy-driver
# Xorg with DUMMY0 1920 x 1080 and DUMMY1 1280 x 1024), run by an
# unprivileged user from an empty settings directory: it starts one Velmo per
# monitor; neither is restarted, exactly one plays the surf (SDL's disk
# audio driver writes what plays into a file; the processes holding it open
# are those that play), and both end on the daemon's exit with code 0 and no
# X error text, however the daemon takes their windows away.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wait.bash"
for tool in xscreensaver xscreensaver-command setpriv; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
start_xorg_dummy || skip "Xorg with the dummy driver cannot start here"
xrandr --addmode DUMMY1 1280x1024 2>/dev/null || true
xrandr --output DUMMY1 --mode 1280x1024 --right-of DUMMY0 || skip "this dummy driver offers no second output"

daemon="$WORK/daemon"
mkdir -p "$daemon/bin" "$daemon/home" "$daemon/config" "$daemon/ended"
chmod 711 "$WORK"
cp "$VELMO" "$daemon/bin/velmo.bin"
# Stands in for velmo on the daemon's PATH: hands the daemon's SIGTERM on
# and writes down how each run ended, with what it said on standard error.
cat >"$daemon/bin/velmo" <<'SH'
#!/bin/bash
here="$(dirname "$0")"
"$here/velmo.bin" "$@" 2>"$here/../ended/$$.err" &
child=$!
trap 'kill -TERM "$child" 2>/dev/null' TERM
while :; do
  wait "$child"
  rc=$?
  kill -0 "$child" 2>/dev/null || break
done
echo "$rc" >"$here/../ended/$$.rc"
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
  chown -R nobody:nogroup "$daemon"
  as_daemon=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
audio="$daemon/surf.raw"
daemon_run() {
  "${as_daemon[@]}" env -i DISPLAY="$DISPLAY" HOME="$daemon/home" PATH="$daemon/bin:/usr/bin:/bin" \
    XDG_CONFIG_HOME="$daemon/config" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" SDL_DISKAUDIODELAY=20 \
    ASAN_OPTIONS=detect_leaks=0 "$@"
}
daemon_run xscreensaver --no-splash --verbose --log "$daemon/log" &
daemon_pid=$!
PIDS+=("$daemon_pid")
wait_for 10 daemon_run xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon does not answer"
daemon_run xscreensaver-command -activate >/dev/null || fail "the daemon did not take -activate: $(cat "$daemon/log")"

ours() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$daemon/bin/velmo.bin" ] && echo "${p#/proc/}"
  done
  return 0
}
two_running() { [ "$(ours | wc -l)" = 2 ]; }
wait_for 30 two_running || fail "the daemon did not start two Velmos ($(ours | wc -l)): $(tail -n 20 "$daemon/log")"
first=$(ours | sort | tr '\n' ' ')
playing() {
  local p n=0
  for p in $(ours); do
    ls -l "/proc/$p/fd" 2>/dev/null | grep -q -- "-> $audio\$" && n=$((n + 1))
  done
  echo "$n"
}
one_plays() { [ "$(playing)" = 1 ]; }
wait_for 30 one_plays || fail "$(playing) of the two play the surf"
# Both draw (the sea moves on each monitor) while the same two processes run.
sea_moves() {
  import -window root "$WORK/b.png" 2>/dev/null || return 1
  local region moved
  for region in 1920x60+0+700 1280x60+1920+660; do
    convert "$WORK/a.png" -crop "$region" +repage "$WORK/sa.png"
    convert "$WORK/b.png" -crop "$region" +repage "$WORK/sb.png"
    moved=$(compare -metric AE -fuzz 2% "$WORK/sa.png" "$WORK/sb.png" null: 2>&1 || true)
    [ "${moved%% *}" -gt 500 ] 2>/dev/null || return 1
  done
}
import -window root "$WORK/a.png"
wait_for 20 sea_moves || fail "the sea does not move on both monitors"
mkdir -p "${VELMO_E2E_ARTEFACTS:-$WORK/artefacts}"
cp "$WORK/b.png" "${VELMO_E2E_ARTEFACTS:-$WORK/artefacts}/xscreensaver-monitors.png"
[ "$(ours | sort | tr '\n' ' ')" = "$first" ] || fail "a Velmo was restarted: $first then $(ours | tr '\n' ' ')"
[ -z "$(ls "$daemon/ended"/*.rc 2>/dev/null)" ] || fail "a Velmo ended: $(cat "$daemon/ended"/*.err)"
[ "$(playing)" = 1 ] || fail "$(playing) of the two play the surf"

# The daemon exits: both end in order, quietly.
daemon_run xscreensaver-command -exit >/dev/null || true
ended_both() { [ "$(ls "$daemon/ended"/*.rc 2>/dev/null | wc -l)" = 2 ]; }
wait_for 10 ended_both || fail "not both Velmos ended with the daemon: $(tail -n 20 "$daemon/log")"
for rc in "$daemon/ended"/*.rc; do
  [ "$(cat "$rc")" = 0 ] || fail "a Velmo ended with code $(cat "$rc"): $(cat "${rc%.rc}.err")"
  ! grep -q "X Error\|BadWindow\|BadDrawable" "${rc%.rc}.err" || fail "X error text: $(cat "${rc%.rc}.err")"
done
! grep -qi "failed to get data\|invalid data type" "$daemon"/ended/*.err "$daemon/log" || fail "a store error: $(cat "$daemon"/ended/*.err)"
wait_for 5 all_gone $first || fail "Velmo processes are left"
echo "PASS: two Velmos under xscreensaver on two monitors, one surf, none restarted, both ended quietly with code 0"
