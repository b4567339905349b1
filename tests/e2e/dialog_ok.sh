#!/usr/bin/env bash
# "velmo /c" opens "Velmo Setup"; a click on OK stores the fifteen values and
# ends the program with exit code 0; Cancel leaves the file alone.
source "$(dirname "$0")/lib.sh"
unset QT_QPA_PLATFORM
start_xvfb 1280x1024x24

# Qt names its window in a way xdotool reads (SDL's boxes need wait_window).
wait_dialog() {
  local win=""
  for _ in $(seq 150); do
    win=$(xdotool search --onlyvisible --name "^Velmo Setup" 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && break
    kill -0 "$1" 2>/dev/null || fail "velmo /c ended without a dialog: $(cat "$WORK/out.log")"
    sleep 0.1
  done
  [ -n "$win" ] || fail "no \"Velmo Setup\" window"
  sleep 0.3  # let the first paint land
  echo "$win"
}

"$VELMO" /c >"$WORK/out.log" 2>&1 &
pid=$!
PIDS+=("$pid")
win=$(wait_dialog "$pid")
import -window root "$WORK/dialog.png" || fail "no screenshot"
[ -n "${VELMO_E2E_KEEP:-}" ] && cp "$WORK/dialog.png" "$VELMO_E2E_KEEP"

# The client area is the fixed 457 x 381.
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = 457 ] && [ "$HEIGHT" = 381 ] || fail "window is ${WIDTH}x${HEIGHT}, not 457x381"

# OK sits at (296, 352), 75 x 25, in the client area.
xdotool mousemove --window "$win" 333 364 click 1
wait_exit "$pid" 10 || fail "OK did not end the program"
[ "$RC" = 0 ] || fail "exit code $RC: $(tail -20 "$WORK/out.log")"

[ -f "$SETTINGS_FILE" ] || fail "no settings file"
for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
  clockX clockY clockRad ColorClock SetSpeed; do
  grep -q "^\"$name\"=dword:[0-9a-fA-F]\{8\}" "$SETTINGS_FILE" || fail "$name not stored: $(cat "$SETTINGS_FILE")"
done
# The first run stored the defaults for this 1280 x 1024 desktop, and OK kept them.
[ "$(stored_value ResHor)" = 1280 ] || fail "ResHor is not the desktop width: $(cat "$SETTINGS_FILE")"
[ "$(stored_value clockX)" = 1190 ] || fail "clockX is not 1190: $(cat "$SETTINGS_FILE")"
[ "$(stored_value NumBirds)" = 7 ] || fail "NumBirds is not 7"

# A second run: Cancel leaves a changed file alone.
sed -i 's/^"NumBirds"=dword:00000007/"NumBirds"=dword:00000003/' "$SETTINGS_FILE"
cp "$SETTINGS_FILE" "$WORK/before.reg"
"$VELMO" /c >"$WORK/out.log" 2>&1 &
pid=$!
PIDS+=("$pid")
win=$(wait_dialog "$pid")
xdotool mousemove --window "$win" 413 364 click 1
wait_exit "$pid" 10 || fail "Cancel did not end the program"
[ "$RC" = 0 ] || fail "exit code $RC after Cancel"
cmp -s "$WORK/before.reg" "$SETTINGS_FILE" || fail "Cancel changed the stored settings"
echo "dialog_ok: passed"
