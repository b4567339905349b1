#!/usr/bin/env bash
# A daemon's window that changes size gets the whole scene laid out again at
# its new size; a window put over it and taken away leaves nothing of the
# daemon's background behind, and neither does one over the full-screen
# saver's own window. Everything that is not ours is plain green here (no
# green is in the seascape, while its gulls are white).
source "$(dirname "$0")/lib.sh"
start_xvfb 1280x800x24
GREEN=00ff00

# Starts a plain window (name, w, h, x, y, colour); sets WIN to its id.
plain_window() {
  python3 "$(dirname "$0")/plain_window.py" "$1" "$2" "$3" "$4" "$5" "0x$6" >"$WORK/$1.id" &
  PIDS+=($!)
  LAST_PLAIN=$!
  wait_until "[ -s '$WORK/$1.id' ]" 10 || fail "no window $1"
  WIN=$(cat "$WORK/$1.id")
}
green_in() { pixels_of "$1" "$GREEN"; }
# The whole scene at W x H in the daemon's window, none of its green.
host_scene() { wait_scene "$host" "$1" "$2" "hosted-$1x$2" "$GREEN"; }

write_settings flag_PlaySound=0 flag_fps=0 TermMouse=0
plain_window host 640 480 20 20 "$GREEN"
host=$WIN
"$VELMO" -window-id "$host" 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/err")"
host_scene 640 480

for size in "960 540" "400 300"; do
  set -- $size
  xdotool windowsize "$host" "$1" "$2"
  host_scene "$1" "$2"
done
import -window "$host" "$WORK/a.png"
wait_until 'import -window "$host" "$WORK/b.png"; diff=$(pixels_differ "$WORK/a.png" "$WORK/b.png" 2%); [ "$diff" -gt 20 ]' 10 ||
  fail "the picture stands still after the resizes (changed pixels: $diff)"

# Covered and uncovered: what the cover hid is drawn again.
xdotool windowsize "$host" 640 480
host_scene 640 480
plain_window cover 300 200 120 120 "$GREEN"
wait_until 'import -window root "$WORK/covered.png"; [ "$(green_in "$WORK/covered.png")" -gt 50000 ]' 10 ||
  fail "the cover did not show over the daemon's window"
kill "$LAST_PLAIN"
# What the cover hid comes back within a few frames; a saver that never
# draws it again keeps the cover's green.
wait_until 'import -window "$host" "$WORK/uncovered.png"; left=$(green_in "$WORK/uncovered.png"); [ "$left" = 0 ]' 5 ||
  fail "$left pixels stay as the cover left them in the daemon's window"
cp "$WORK/uncovered.png" "$ARTEFACTS/hosted-uncovered.png"

sigterm_ends "$pid" "the saver" 5 "$WORK/err"
kill "${PIDS[0]}" 2>/dev/null || true

# The full-screen saver's own window, covered and uncovered the same way.
"$VELMO" /s 2>"$WORK/err2" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the full-screen saver showed nothing: $(cat "$WORK/err2")"
plain_window cover2 500 300 300 200 "$GREEN"
wait_until 'import -window root "$WORK/covered.png"; [ "$(green_in "$WORK/covered.png")" -gt 100000 ]' 10 ||
  fail "the cover did not show over the saver"
kill "$LAST_PLAIN"
wait_until 'import -window root "$WORK/uncovered2.png"; left=$(green_in "$WORK/uncovered2.png"); [ "$left" = 0 ]' 5 ||
  fail "$left pixels stay as the cover left them on the full-screen saver"
cp "$WORK/uncovered2.png" "$ARTEFACTS/saver-uncovered.png"
sigterm_ends "$pid" "the full-screen saver" 5 "$WORK/err2"
echo "PASS: laid out again at 960x540 and 400x300; nothing left of a cover in either window"
