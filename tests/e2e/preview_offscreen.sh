#!/usr/bin/env bash
# The preview into a window that reaches beyond the screen's edge (a dialog
# dragged half off the screen): the visible part is painted and the program
# ends with 0; the X server's refusal to read such a window must not end it.
source "$(dirname "$0")/lib.sh"
# As a plain X server without a compositor: no backing store, so the server
# refuses to read the part of a window that lies beyond the screen.
start_xvfb 640x480x24 -bs -extension Composite

display -geometry 300x200+500+100 -title previewhost -size 300x200 xc:red &
PIDS+=($!)
win=$(wait_window previewhost 10) || fail "no host window"

"$VELMO" /p "$win" 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_exit "$pid" 10 || fail "velmo /p did not end"
[ "$RC" = 0 ] || fail "exit code $RC: $(cat "$WORK/err")"
! grep -q "X Error" "$WORK/err" || fail "an X error ended the preview: $(cat "$WORK/err")"

import -window root "$WORK/screen.png"
x=$(xwininfo -id "$win" | sed -n 's/^ *Absolute upper-left X: *//p')
y=$(xwininfo -id "$win" | sed -n 's/^ *Absolute upper-left Y: *//p')
inside=$(pixel "$WORK/screen.png" $((x + 70)) $((y + 50)))
[ "$inside" != "255,0,0" ] || fail "nothing painted in the visible part of the window"
echo "preview painted into a window that reaches beyond the screen"
