#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Velmo's options under the real xscreensaver daemon, run by an unprivileged
# user: "velmo --root -gulls 0 -no-clock" shows a sky where nothing moves
# (no gull, no clock hand); "velmo --root -gulls 10" shows ten gulls although
# the settings file asks for three; the first run finds no settings file and
# makes none, the second leaves the one it finds byte for byte and unwritten;
# "xscreensaver-command -deactivate" ends it with code 0 at once (under two seconds).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/daemon.bash"
start_xvfb 800x600x24
daemon_prepare "velmo --root -gulls 0 -no-clock" "velmo --root -gulls 10"
daemon_start

# Waits for the seascape on the screen; its shot in $1.
wait_seascape() {
  local shot="$1" fault=""
  # A hang's limit: under four busy loops a sanitizer build's first frame
  # came after more than 20 s.
  wait_until 'import -window root "$shot"; fault=$(scene_fault 800 600 "$shot"); [ -z "$fault" ]' 120 0.5 ||
    fail "no seascape on the screen ($fault): $(cat "$daemon/log")"
}

# No gull and no clock: the sky (above the sea's first row, 380) is the same
# picture a second and more apart, when a clock's second hand would have moved.
wait_seascape "$WORK/still-a.png"
sleep 1.2  # the time a second hand takes to move, not a wait for a start
import -window root "$WORK/still-b.png"
cp "$WORK/still-a.png" "$ARTEFACTS/xscreensaver-no-gulls.png"
moving=$(compare -metric AE -crop 800x380+0+0 "$WORK/still-a.png" "$WORK/still-b.png" null: 2>&1 || true)
[ "${moving%% *}" = 0 ] || fail "something moves in the sky with -gulls 0 -no-clock ($moving pixels)"
[ -z "$(ls -A "$daemon/config")" ] || fail "the hosted saver made settings: $(ls -AR "$daemon/config")"
echo "-gulls 0 -no-clock: nothing moves in the sky, and no settings file was made"

# A settings file that asks for 3 gulls and the frame-rate text.
write_settings NumBirds=3 flag_fps=1
mkdir -p "$daemon/config/Corvane"
cp "$SETTINGS_FILE" "$daemon/config/Corvane/Velmo20.reg"
[ "$(id -u)" = 0 ] && chown -R nobody:nogroup "$daemon/config"
stored_before=$(stat -c '%Y.%y %s' "$daemon/config/Corvane/Velmo20.reg")
sum_before=$(sha256sum <"$daemon/config/Corvane/Velmo20.reg")

# Ten gulls: the dark specks where the sky differs from the still one, in
# the gulls' band of rows 180 to 379 (below the clock, above the sea). Gulls
# may cross one another, so the shots go on until all ten show apart.
first=$(ours)
daemon_run xscreensaver-command -select 2 >/dev/null || fail "the daemon did not take -select 2"
for _ in $(seq 100); do
  [ -n "$(ours)" ] && [ "$(ours)" != "$first" ] && break
  sleep 0.1
done
wait_seascape "$WORK/gulls.png"
gulls=0
for _ in $(seq 100); do
  import -window root "$WORK/gulls.png"
  gulls=$(convert "$WORK/still-a.png" "$WORK/gulls.png" -compose difference -composite -crop 800x200+0+180 +repage \
    -colorspace gray -threshold 12% -morphology Dilate Disk:2 -define connected-components:verbose=true \
    -connected-components 8 null: | awk 'NR > 1 && $NF == "gray(255)" {n++} END {print n + 0}')
  [ "$gulls" = 10 ] && break
  sleep 0.2
done
cp "$WORK/gulls.png" "$ARTEFACTS/xscreensaver-ten-gulls.png"
[ "$gulls" = 10 ] || fail "-gulls 10 over a file of 3: $gulls gulls in the last shot: $(cat "$daemon/log")"
case " $(ours | tr '\n' ' ') " in *" $first "*) [ -n "$first" ] && fail "the first instance still runs" ;; esac
echo "-gulls 10: ten gulls in the sky, the file's 3 and its frame-rate text not taken"

# "-deactivate" ends it with code 0 at once.
endings() { ls "$daemon/ended" | grep -cv '\.err$' || true; }
wait_until '[ "$(endings)" = 1 ]' 10 || fail "the first instance's ending was not recorded"
before=1
asked=$(date +%s.%N)
daemon_run xscreensaver-command -deactivate >/dev/null || fail "the daemon did not take -deactivate"
wait_until '[ "$(endings)" -gt "$before" ]' 10 || fail "Velmo did not end after -deactivate: $(cat "$daemon/log")"
ended_file=$(ls -t "$daemon"/ended/* | grep -v '\.err$' | head -n 1)
read -r rc ended <"$ended_file"
[ "$rc" = 0 ] || fail "Velmo ended with code $rc: $(cat "$ended_file.err")"
took=$(awk -v a="$asked" -v e="$ended" 'BEGIN { printf "%.2f", e - a }')
# A second as a person sees it; the sanitizer build under four busy loops,
# where the command's own start and the daemon's turn count in, took 1.0-1.2.
awk -v t="$took" 'BEGIN { exit !(t < 2) }' || fail "Velmo took $took s to end"
wait_until '[ -z "$(ours)" ]' 5 || fail "Velmo still runs after -deactivate"
[ "$(stat -c '%Y.%y %s' "$daemon/config/Corvane/Velmo20.reg")" = "$stored_before" ] || fail "the settings file was written"
[ "$(sha256sum <"$daemon/config/Corvane/Velmo20.reg")" = "$sum_before" ] || fail "the settings file changed"
[ "$(ls -A "$daemon/config/Corvane")" = Velmo20.reg ] || fail "files beside the settings: $(ls -A "$daemon/config/Corvane")"
echo "PASS: the daemon's options ruled, the settings file was only read; -deactivate ended Velmo with 0 in $took s"
