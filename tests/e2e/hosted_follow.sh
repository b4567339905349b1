#!/usr/bin/env bash
# A daemon's window that changes size gets the whole scene laid out again at
# its new size; a window put over it and taken away leaves nothing of the
# daemon's background behind, and neither does one over the full-screen
# saver's own window. Everything that is not ours is plain green here (no
# green is in the seascape, while its gulls are white).
source "$(dirname "$0")/lib.sh"
start_xvfb 1280x800x24
GREEN=00ff00
# What the window showed, for a person to look at.
ARTEFACTS="${VELMO_E2E_ARTEFACTS:-$WORK/artefacts}"
mkdir -p "$ARTEFACTS"

# Starts a plain window (name, w, h, x, y, colour); sets WIN to its id.
plain_window() {
  python3 "$(dirname "$0")/plain_window.py" "$1" "$2" "$3" "$4" "$5" "0x$6" >"$WORK/$1.id" &
  PIDS+=($!)
  LAST_PLAIN=$!
  wait_until "[ -s '$WORK/$1.id' ]" 10 || fail "no window $1"
  WIN=$(cat "$WORK/$1.id")
}
green_in() { convert "$1" -fuzz 10% -fill black +opaque "#$GREEN" -fuzz 0 -fill white +opaque black -format "%[fx:int(mean*w*h)]" info:; }
grey() { convert "$1" -crop "$2" -colorspace gray -format "%[fx:int(255*mean)]" info:; }

# Prints why the window does not show the whole scene at W x H (none of the
# background, sky at the top, the dark rocks along the bottom); nothing when it does.
scene_fault() {
  local W="$1" H="$2" shot="$3" green sky rocks
  [ "$(identify -format "%wx%h" "$shot")" = "${W}x$H" ] || { echo "the window is not ${W}x$H"; return; }
  green=$(green_in "$shot")
  [ "$green" = 0 ] || { echo "$green pixels of the background show"; return; }
  sky=$(grey "$shot" "${W}x$((H / 4))+0+0")
  rocks=$(grey "$shot" "${W}x$((H / 15))+0+$((H - H / 15))")
  [ "$sky" -gt 60 ] || { echo "no sky at the top (grey $sky)"; return; }
  [ "$rocks" -lt 50 ] && [ "$rocks" -lt "$sky" ] || echo "no rocks at the bottom (grey $rocks, sky $sky)"
}

# Waits (laying the scene out again is start-up work, slow in a sanitizer
# build) for the window to show the whole scene at W x H.
wait_scene() {
  local W="$1" H="$2" shot="$WORK/scene-$1x$2.png" fault="" start=$SECONDS
  wait_until 'import -window "$host" "$shot"; fault=$(scene_fault "$W" "$H" "$shot"); [ -z "$fault" ]' 20 || true
  cp "$shot" "$ARTEFACTS/hosted-$1x$2.png"
  [ -z "$fault" ] || fail "at ${W}x$H: $fault"
  echo "${W}x$H: whole scene, no background, within $((SECONDS - start)) s"
}

write_settings flag_PlaySound=0 flag_fps=0 TermMouse=0
plain_window host 640 480 20 20 "$GREEN"
host=$WIN
"$VELMO" -window-id "$host" 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/err")"
wait_scene 640 480

for size in "960 540" "400 300"; do
  set -- $size
  xdotool windowsize "$host" "$1" "$2"
  wait_scene "$1" "$2"
done
import -window "$host" "$WORK/a.png"
wait_until 'import -window "$host" "$WORK/b.png"; diff=$(pixels_differ "$WORK/a.png" "$WORK/b.png" 2%); [ "$diff" -gt 20 ]' 10 ||
  fail "the picture stands still after the resizes (changed pixels: $diff)"

# Covered and uncovered: what the cover hid is drawn again.
xdotool windowsize "$host" 640 480
wait_scene 640 480
plain_window cover 300 200 120 120 "$GREEN"
wait_until 'import -window root "$WORK/covered.png"; [ "$(green_in "$WORK/covered.png")" -gt 50000 ]' 10 ||
  fail "the cover did not show over the daemon's window"
kill "$LAST_PLAIN"
# What the cover hid comes back within a few frames; a saver that never
# draws it again keeps the cover's green.
wait_until 'import -window "$host" "$WORK/uncovered.png"; left=$(green_in "$WORK/uncovered.png"); [ "$left" = 0 ]' 5 ||
  fail "$left pixels stay as the cover left them in the daemon's window"
cp "$WORK/uncovered.png" "$ARTEFACTS/hosted-uncovered.png"

kill -TERM "$pid"
wait_exit "$pid" 5 || fail "the saver did not end on SIGTERM"
[ "$RC" = 0 ] || fail "exit code $RC on SIGTERM: $(cat "$WORK/err")"
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
kill -TERM "$pid"
wait_exit "$pid" 5 || fail "the full-screen saver did not end on SIGTERM"
[ "$RC" = 0 ] || fail "exit code $RC on SIGTERM: $(cat "$WORK/err2")"
echo "PASS: laid out again at 960x540 and 400x300; nothing left of a cover in either window"
