#!/usr/bin/env bash
# Inside a screen-saver daemon's window: XSCREENSAVER_WINDOW names a window
# of another program; the seascape fills it at its size without any change
# of display mode, keys are left alone, and SIGTERM ends the saver with code
# 0 and the settings intact.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24

# The daemon's window: ImageMagick's viewer showing plain red.
display -geometry +30+40 -title host -size 640x400 xc:red &
PIDS+=($!)
win=$(wait_window host 10) || fail "no host window"

# Settings of an earlier full-screen run, that the hosted run must keep.
reg="$SETTINGS_FILE"
write_settings flag_PlaySound=0 flag_fps=0 ColorDepth=24
cp "$reg" "$WORK/before.reg"
screen_before=$(xdpyinfo | grep dimensions)

XSCREENSAVER_WINDOW="$win" "$VELMO" 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/err")"

import -window "$win" "$WORK/a.png"
# Keys and the mouse belong to the daemon: a jump of the mouse and a key
# (either ends the full-screen saver with these settings) change nothing.
# Nothing must happen: only time can tell, so this wait is a fixed one.
xdotool mousemove 100 100 sleep 0.1 mousemove 400 300 key shift
sleep 0.5
import -window "$win" "$WORK/b.png"
kill -0 "$pid" 2>/dev/null || fail "the saver ended on a key in the daemon's window"

size=$(identify -format "%wx%h" "$WORK/a.png")
[ "$size" = "640x400" ] || fail "the host window changed size: $size"
[ "$(xdpyinfo | grep dimensions)" = "$screen_before" ] || fail "the screen mode changed"
# Red is gone everywhere, the sky above is lighter than the rocks below.
convert -size 640x400 xc:red "$WORK/red.png"
other=$(compare -metric AE -fuzz 10% "$WORK/a.png" "$WORK/red.png" null: 2>&1 || true)
red=$((640 * 400 - ${other%% *}))
[ "$red" -lt 100 ] || fail "$red pixels of the window are still the host's red"
sky=$(convert "$WORK/a.png" -crop 640x150+0+0 -colorspace gray -format "%[fx:int(255*mean)]" info:)
rocks=$(convert "$WORK/a.png" -crop 640x40+0+355 -colorspace gray -format "%[fx:int(255*mean)]" info:)
[ "$sky" -gt 40 ] || fail "no sky at the top (grey level $sky)"
[ "$rocks" -lt "$sky" ] || fail "the rocks ($rocks) are not darker than the sky ($sky)"
diff=$(compare -metric AE -fuzz 2% "$WORK/a.png" "$WORK/b.png" null: 2>&1 || true)
[ "${diff%% *}" -gt 100 ] 2>/dev/null || fail "the picture does not move (changed pixels: $diff)"

sigterm_ends "$pid" "the saver" 10 "$WORK/err"
cmp -s "$reg" "$WORK/before.reg" || fail "the settings changed: $(diff "$WORK/before.reg" "$reg")"
xwininfo -id "$win" >/dev/null 2>&1 || fail "the host window is gone"
xwininfo -id "$win" | grep -q "IsViewable" || fail "the host window was unmapped"

# The daemon destroys its window before ending us: the saver ends in order
# with code 0 instead of dying on an X error.
display -geometry +30+40 -title host2 -size 320x200 xc:red &
host2=$!
PIDS+=("$host2")
win2=$(wait_window host2 10) || fail "no second host window"
XSCREENSAVER_WINDOW="$win2" "$VELMO" 2>"$WORK/err4" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing in the second window: $(cat "$WORK/err4")"
kill "$host2"
wait_exit "$pid" 10 || fail "the saver goes on without its window"
[ "$RC" = 0 ] || fail "exit code $RC when the window went away: $(cat "$WORK/err4")"

# A window id that names no window: a clear message, code 2, no hang.
XSCREENSAVER_WINDOW=0x7fffff0 "$VELMO" 2>"$WORK/err2" &
pid=$!
PIDS+=("$pid")
wait_exit "$pid" 10 || fail "a wrong window id hangs"
[ "$RC" = 2 ] || fail "exit code $RC for a wrong window id, not 2"
grep -q "cannot be drawn into" "$WORK/err2" || fail "no clear message for a wrong id: $(cat "$WORK/err2")"
# A malformed id: a usage error (code 1); the message goes to the daemon's
# log, no box waits.
XSCREENSAVER_WINDOW=junk "$VELMO" 2>"$WORK/err3" &
pid=$!
PIDS+=("$pid")
wait_exit "$pid" 10 || fail "a malformed window id hangs"
[ "$RC" = 1 ] || fail "exit code $RC for a malformed window id, not 1"
grep -q "'junk' is not a valid window id" "$WORK/err3" || fail "wrong message: $(cat "$WORK/err3")"
echo "seascape drawn into the host window (sky $sky, rocks $rocks, moving $diff px), ended on SIGTERM"
