#!/usr/bin/env bash
# The real xscreensaver daemon, run by an unprivileged user with a private
# home whose ~/.xscreensaver lists Velmo: "xscreensaver-command -activate"
# shows the seascape and its sea moves; "-deactivate" ends our process with
# code 0 within a second. Nothing is installed outside the temporary folder.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/daemon.bash"
start_xvfb 800x600x24
daemon_prepare "velmo --root"
daemon_start

# Our process, found by its program file (the daemon may take a while to
# start it on a loaded machine).
ours=""
find_ours() {
  ours=$(ours | tail -n 1)
  [ -n "$ours" ]
}
wait_until find_ours 30 || fail "the daemon did not start Velmo: $(cat "$daemon/log")"
wait_until "grep -qxF $ours '$daemon/ready' || [ ! -d /proc/$ours ]" 30 && grep -qxF "$ours" "$daemon/ready" ||
  fail "Velmo showed nothing: $(cat "$daemon/log")"

import -window root "$WORK/a.png"
moved=""
wait_until 'import -window root "$WORK/b.png"
  convert "$WORK/a.png" -crop 800x40+0+380 +repage "$WORK/sea-a.png"
  convert "$WORK/b.png" -crop 800x40+0+380 +repage "$WORK/sea-b.png"
  moved=$(pixels_differ "$WORK/sea-a.png" "$WORK/sea-b.png" 2%)
  [ "$moved" -gt 500 ]' 10 || true
cp "$WORK/a.png" "$ARTEFACTS/xscreensaver.png"
fault=$(scene_fault 800 600 "$WORK/a.png")
[ -z "$fault" ] || fail "not the seascape on the screen: $fault"
[ "$moved" -gt 500 ] 2>/dev/null || fail "the sea does not move (changed pixels: $moved)"

asked=$(date +%s.%N)
daemon_run xscreensaver-command -deactivate >/dev/null || fail "the daemon did not take -deactivate"
ended_file=""
wait_until 'ended_file=$(ls "$daemon"/ended/* 2>/dev/null | grep -v "\.err$" | head -n 1); [ -n "$ended_file" ]' 10 ||
  fail "Velmo did not end after -deactivate: $(cat "$daemon/log")"
read -r rc ended <"$ended_file"
[ "$rc" = 0 ] || fail "Velmo ended with code $rc: $(cat "$ended_file.err"; cat "$daemon/log")"
took=$(awk -v a="$asked" -v e="$ended" 'BEGIN { printf "%.2f", e - a }')
awk -v t="$took" 'BEGIN { exit !(t < 1) }' || fail "Velmo took $took s to end"
[ ! -d "/proc/$ours" ] || fail "Velmo's process is still there"
echo "PASS: xscreensaver showed the seascape (sea moving $moved px); ended with code 0 in $took s"
