#!/usr/bin/env bash
# "velmo /p ID" waits until the window is viewable, paints the 154 x 116
# preview at (0, 0) unscaled, and ends; into a window that reaches beyond the
# screen's edge (a dialog dragged half off the screen) it paints the visible
# part and ends with 0; a wrong id is a message, not a hang.
source "$(dirname "$0")/lib.sh"
# As a plain X server without a compositor: no backing store, so the server
# refuses to read the part of a window that lies beyond the screen, and that
# refusal must not end the preview.
start_xvfb 1024x768x24 -bs -extension Composite

# A foreign window to paint into: ImageMagick's viewer showing plain red.
display -geometry +40+40 -title previewhost -size 300x200 xc:red &
PIDS+=($!)
win=$(wait_window previewhost 10) || fail "no host window"
xdotool windowunmap --sync "$win"

"$VELMO" /p "$win" &
pid=$!
PIDS+=("$pid")
sleep 1  # that it waits can only be seen over time
kill -0 "$pid" 2>/dev/null || fail "velmo /p did not wait for the window to be shown"
xdotool windowmap --sync "$win"
wait_exit "$pid" 10 || fail "velmo /p did not end after painting"
[ "$RC" = 0 ] || fail "exit code $RC"

import -window "$win" "$WORK/preview.png"
inside=$(pixel "$WORK/preview.png" 70 50)
outside=$(pixel "$WORK/preview.png" 250 150)
edge_in=$(pixel "$WORK/preview.png" 153 115)
edge_out=$(pixel "$WORK/preview.png" 154 116)
[ "$outside" = "255,0,0" ] || fail "painted outside the picture: $outside"
[ "$edge_out" = "255,0,0" ] || fail "the picture is larger than 154 x 116: $edge_out"
[ "$inside" != "255,0,0" ] || fail "nothing painted inside the picture"
[ "$edge_in" != "255,0,0" ] || fail "the picture is smaller than 154 x 116"

display -geometry 300x200+850+100 -title offscreenhost -size 300x200 xc:red &
PIDS+=($!)
off=$(wait_window offscreenhost 10) || fail "no host window beyond the edge"
"$VELMO" /p "$off" 2>"$WORK/err-off" &
pid=$!
PIDS+=("$pid")
wait_exit "$pid" 10 || fail "velmo /p into a window beyond the edge did not end"
[ "$RC" = 0 ] || fail "exit code $RC beyond the edge: $(cat "$WORK/err-off")"
! grep -q "X Error" "$WORK/err-off" || fail "an X error ended the preview: $(cat "$WORK/err-off")"
import -window root "$WORK/screen.png"
x=$(xwininfo -id "$off" | sed -n 's/^ *Absolute upper-left X: *//p')
y=$(xwininfo -id "$off" | sed -n 's/^ *Absolute upper-left Y: *//p')
[ $((x + 300)) -gt 1024 ] || fail "the host window at $x does not reach beyond the edge"
[ "$(pixel "$WORK/screen.png" $((x + 70)) $((y + 50)))" != "255,0,0" ] ||
  fail "nothing painted in the visible part of a window beyond the edge"

# A window id that is no window, one that is not a number, none at all:
# one line on standard error and exit code 2, 1, 1; no box (the caller is a
# program, nobody would answer it), no hang.
for case in "123456789 2 does not exist" "0x7777777 2 does not exist" \
  "abc 1 'abc' is not a valid integer value" "- 1 '' is not a valid integer value"; do
  read -r id code said <<<"$case"
  if [ "$id" = - ]; then "$VELMO" /p 2>"$WORK/err" & else "$VELMO" /p "$id" 2>"$WORK/err" & fi
  pid=$!
  PIDS+=("$pid")
  wait_exit "$pid" 10 || fail "velmo /p $id hangs (a box?)"
  [ "$RC" = "$code" ] || fail "exit code $RC for /p $id, not $code"
  # (A sanitizer build adds its leak check's account of suppressions.)
  [ "$(grep -cvE '^(-+|Suppressions used:| +count +bytes template| +[0-9]+ +[0-9]+ .*)?$' "$WORK/err")" = 1 ] &&
    grep -q "^velmo: .*$said" "$WORK/err" ||
    fail "not one clear line for /p $id: $(cat "$WORK/err")"
done
echo "preview painted once the window was shown, also into one beyond the edge; wrong ids answered"
