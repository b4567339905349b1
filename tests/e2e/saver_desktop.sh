#!/usr/bin/env bash
# The saver on a desktop as a person meets it: the stored brightness shows on
# the screen at every depth and on both presenting paths, and "-" darkens it live; another window taking
# the focus ends the saver quietly; a termination signal ends it at once.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24

sky_mean() { convert "$1" -crop 1024x200+0+0 -colorspace gray -format "%[fx:mean]" info:; }
no_error_box() { ! xwininfo -root -tree 2>/dev/null | grep -q '"ERROR"'; }

start_saver() {  # settings...
  write_settings NumBirds=0 flag_clock=0 flag_fps=0 flag_PlaySound=0 "$@"
  "$VELMO" /s 2>"$WORK/err" &
  pid=$!
  PIDS+=("$pid")
  wait_shown "$pid" || fail "the saver did not start ($*): $(cat "$WORK/err")"
}

stop_saver() { sigterm_ends "$pid" "the saver" 2 "$WORK/err"; }

# 1. Brightness on the screen, at each depth the saver draws in.
for depth in 16 24 32; do
  start_saver TermMouse=0 flag_defres=0 ColorDepth="$depth" Gamma=256
  import -window root "$WORK/full.png"
  stop_saver
  start_saver TermMouse=0 flag_defres=0 ColorDepth="$depth" Gamma=128
  import -window root "$WORK/half.png"
  full=$(sky_mean "$WORK/full.png")
  half=$(sky_mean "$WORK/half.png")
  ratio=$(awk -v a="$half" -v b="$full" 'BEGIN { printf "%.2f", a / b }')
  awk -v r="$ratio" 'BEGIN { exit !(r >= 0.35 && r <= 0.65) }' ||
    fail "at $depth bits the sky at Gamma 128 is $ratio of its brightness at 256"
  if [ "$depth" = 32 ]; then
    for _ in $(seq 40); do xdotool key minus; done
    wait_until '[ "$(stored_value Gamma)" = 88 ]' 10 || fail "Gamma stored as $(stored_value Gamma), not 88"
    wait_until 'import -window root "$WORK/darker.png"; darker=$(sky_mean "$WORK/darker.png");
      awk -v a="$darker" -v b="$half" "BEGIN { exit !(a < b * 0.8) }"' 10 || fail "\"-\" did not darken the sky ($half -> $darker)"
  fi
  stop_saver
  echo "brightness at $depth bits: Gamma 128 shows $ratio of Gamma 256"
done

# The renderer's path (a streaming texture, forced here: Xvfb's GL is software,
# so this checks correctness only): the same brightness, a moving sea.
# Mesa's GL leaves allocations of its own threads that the leak check cannot
# attribute; the program's own leaks are checked by every other run.
export VELMO_PRESENT=renderer ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
start_saver TermMouse=0 Gamma=128
import -window root "$WORK/r1.png"
wait_until 'import -window root "$WORK/r2.png"; moved=$(pixels_differ "$WORK/r1.png" "$WORK/r2.png" 3%); [ "$moved" -gt 1000 ]' 10 || true
stop_saver
unset VELMO_PRESENT ASAN_OPTIONS
ratio=$(awk -v a="$(sky_mean "$WORK/r1.png")" -v b="$full" 'BEGIN { printf "%.2f", a / b }')
awk -v r="$ratio" 'BEGIN { exit !(r >= 0.35 && r <= 0.65) }' || fail "through the renderer the sky at Gamma 128 is $ratio"
[ "$moved" -gt 1000 ] || fail "through the renderer the sea did not move ($moved pixels changed)"
echo "renderer path: Gamma 128 shows $ratio, $moved pixels moved"

# 2. Another window takes the focus: the saver ends in order, no box.
start_saver
xdotool mousemove 512 384
xmessage -geometry +50+50 "a chat window" &
PIDS+=("$!")
other=$(wait_window "xmessage" 5) || fail "the other window did not appear"
xdotool windowfocus --sync "$other" 2>/dev/null || xdotool windowfocus "$other"
wait_until "! no_error_box || ! kill -0 $pid 2>/dev/null" 10
no_error_box || fail "an ERROR box appeared when the focus was taken"
wait_exit "$pid" 1 || fail "the saver kept running without the focus"
[ "$RC" = 0 ] || fail "exit code $RC after the focus was taken"
no_error_box || fail "an ERROR box appeared when the focus was taken"
dims=$(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9x]*\).*/\1/p')
[ "$dims" = 1024x768 ] || fail "the screen was left in another mode ($dims)"
echo "focus taken: ended with code 0, no box"
