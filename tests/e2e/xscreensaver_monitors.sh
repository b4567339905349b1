#!/usr/bin/env bash
# The real xscreensaver daemon on a desktop of two monitors (the dummy-driver
# Xorg with DUMMY0 1920 x 1080, the primary, and DUMMY1 2560 x 1440), run by
# an unprivileged user from an empty settings directory: it starts one Velmo
# per monitor; neither is restarted, exactly one plays the surf and shows
# the clock, in proportion to its own monitor (SDL's disk
# audio driver writes what plays into a file; the processes holding it open
# are those that play), and both end on the daemon's exit with code 0 and no
# X error text, however the daemon takes their windows away.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/daemon.bash"
start_xorg_dummy || skip "Xorg with the dummy driver cannot start here"
xrandr --newmode 2560x1440 241.50 2560 2608 2640 2720 1440 1443 1448 1481 +hsync -vsync 2>/dev/null || true
xrandr --addmode DUMMY1 2560x1440 2>/dev/null || true
xrandr --output DUMMY0 --mode 1920x1080 --pos 0x0 --primary --output DUMMY1 --mode 2560x1440 --right-of DUMMY0 ||
  skip "this dummy driver offers no second output"
daemon_prepare "velmo --root"
audio="$daemon/surf.raw"
DAEMON_ENV=(SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" SDL_DISKAUDIODELAY=20)
daemon_start

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
# What the two said, for a failure's message.
said() { tail -n 5 "$daemon"/ended/*.err 2>/dev/null | tr '\n' ' '; }
# Both first frames, however long a loaded machine makes the start (the
# limit is a hang's, not a speed test), then the surf.
both_shown() { [ -f "$daemon/ready" ] && [ "$(sort -u "$daemon/ready" | wc -l)" -ge 2 ]; }
wait_for 180 both_shown || fail "not both Velmos showed a first frame ($(cat "$daemon/ready" 2>/dev/null | wc -l)); they said: $(said)"
wait_for 30 one_plays || fail "$(playing) of the two play the surf; they said: $(said)"
# Both draw (the sea moves on each monitor) while the same two processes run.
sea_moves() {
  import -window root "$WORK/b.png" 2>/dev/null || return 1
  local region moved
  for region in 1920x60+0+700 2560x60+1920+900; do
    convert "$WORK/a.png" -crop "$region" +repage "$WORK/sa.png"
    convert "$WORK/b.png" -crop "$region" +repage "$WORK/sb.png"
    moved=$(compare -metric AE -fuzz 2% "$WORK/sa.png" "$WORK/sb.png" null: 2>&1 || true)
    [ "${moved%% *}" -gt 500 ] 2>/dev/null || return 1
  done
}
import -window root "$WORK/a.png"
wait_for 20 sea_moves || fail "the sea does not move on both monitors"
cp "$WORK/b.png" "$ARTEFACTS/xscreensaver-monitors.png"
# One clock: on the primary, where a first run on its 1920 x 1080 puts it
# (centre 1758, 162, radius 126); none on the 2560 x 1440 monitor, neither
# where its own default would be (2344, 216) nor where the desktop's was.
orange() { convert "$WORK/b.png" -crop "$1" +repage -fuzz 8% -fill white -opaque "rgb(255,128,0)" -fill black +opaque white -format "%[fx:int(mean*w*h)]" info:; }
n=$(orange 260x260+1628+32)
[ "$n" -gt 200 ] || fail "no clock on the primary monitor ($n orange pixels)"
n=$(orange 2560x720+1920+0)
[ "$n" -lt 20 ] || fail "a clock on the second monitor ($n orange pixels)"
[ "$(ours | sort | tr '\n' ' ')" = "$first" ] || fail "a Velmo was restarted: $first then $(ours | tr '\n' ' ')"
[ -z "$(ls "$daemon"/ended/ | grep -v '\.err$')" ] || fail "a Velmo ended: $(cat "$daemon"/ended/*.err)"
[ "$(playing)" = 1 ] || fail "$(playing) of the two play the surf later; they said: $(said)"

# The daemon exits: both end in order, quietly.
asked=$(date +%s.%N)
daemon_run xscreensaver-command -exit >/dev/null || true
ended_both() { [ "$(ls "$daemon"/ended/ | grep -cv '\.err$')" = 2 ]; }
still() { local p; for p in $(ours); do ps -o pid=,stat=,wchan:20=,args= -p "$p"; done | tr '\n' ';'; }
wait_for 10 ended_both ||
  fail "not both Velmos ended with the daemon: $(tail -n 20 "$daemon/log"); still running: $(still); they said: $(said)"
for run in $(ls "$daemon"/ended/ | grep -v '\.err$'); do
  read -r rc at <"$daemon/ended/$run"
  echo "a Velmo ended $(awk -v a="$asked" -v e="$at" 'BEGIN { printf "%.2f", e - a }') s after the daemon was asked to exit"
  [ "$rc" = 0 ] || fail "a Velmo ended with code $rc: $(cat "$daemon/ended/$run.err")"
  ! grep -q "X Error\|BadWindow\|BadDrawable" "$daemon/ended/$run.err" || fail "X error text: $(cat "$daemon/ended/$run.err")"
done
! grep -qi "failed to get data\|invalid data type" "$daemon"/ended/*.err "$daemon/log" || fail "a store error: $(cat "$daemon"/ended/*.err)"
wait_for 5 all_gone $first || fail "Velmo processes are left"
echo "PASS: two Velmos under xscreensaver on two monitors, one surf, none restarted, both ended quietly with code 0"
