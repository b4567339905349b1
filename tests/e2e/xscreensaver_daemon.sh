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
ended_file=""
wait_until 'ended_file=$(ls "$daemon"/ended/* 2>/dev/null | grep -v "\.err$" | head -n 1); [ -n "$ended_file" ]' 10 ||
  fail "Velmo did not end after -deactivate: $(cat "$daemon/log")"
read -r rc ended <"$ended_file"
[ "$rc" = 0 ] || fail "Velmo ended with code $rc: $(cat "$ended_file.err"; cat "$daemon/log")"
took=$(awk -v a="$asked" -v e="$ended" 'BEGIN { printf "%.2f", e - a }')
awk -v t="$took" 'BEGIN { exit !(t < 1) }' || fail "Velmo took $took s to end"
[ ! -d "/proc/$ours" ] || fail "Velmo's process is still there"
echo "PASS: xscreensaver showed the seascape (sky $sky, rocks $rocks, sea moving $moved px); ended with code 0 in $took s"
