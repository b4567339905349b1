#!/usr/bin/env bash
# "velmo /s" on a 1024 x 768 screen: first run writes the fifteen defaults,
# the seascape is drawn and moves, a mouse jump ends it with code 0 and the
# desktop is left as it was.
source "$(dirname "$0")/lib.sh"
start_xvfb 1024x768x24
xdotool mousemove 500 400

"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the saver ended by itself: $(cat "$WORK/err")"
import -window root "$WORK/a.png"
sleep 0.5
import -window root "$WORK/b.png"

reg="$XDG_CONFIG_HOME/Corvane/Velmo20.reg"
[ -f "$reg" ] || fail "no settings file after the first run"
for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
  clockX clockY clockRad ColorClock SetSpeed; do
  grep -q "^\"$name\"=dword:" "$reg" || fail "$name missing from the first-run settings"
done
grep -qi '^"ResHor"=dword:00000400' "$reg" || fail "ResHor is not the desktop's 1024"
grep -qi '^"clockX"=dword:000003a6' "$reg" || fail "clockX is not 934"

# The picture: a sky that is not black above, rocks darker than the sky at
# the bottom, and a sea band that changes between two shots.
sky=$(convert "$WORK/a.png" -crop 1024x300+0+0 -colorspace gray -format "%[fx:int(255*mean)]" info:)
rocks=$(convert "$WORK/a.png" -crop 1024x60+0+700 -colorspace gray -format "%[fx:int(255*mean)]" info:)
[ "$sky" -gt 40 ] || fail "the sky is too dark ($sky)"
[ "$rocks" -lt "$sky" ] || fail "the rocks ($rocks) are not darker than the sky ($sky)"
diff=$(compare -metric AE -fuzz 2% "$WORK/a.png" "$WORK/b.png" null: 2>&1 || true)
[ "${diff%% *}" -gt 500 ] 2>/dev/null || fail "the picture does not move (changed pixels: $diff)"

# One jump of the mouse ends the saver.
xdotool mousemove 520 400
sleep 0.2
xdotool mousemove 600 480
wait_exit "$pid" 10 || fail "the saver did not end on a mouse jump"
[ "$RC" = 0 ] || fail "exit code $RC"
echo "saver ran (sky $sky, rocks $rocks, moving $diff px) and ended on the mouse"
