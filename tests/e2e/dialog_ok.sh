#!/usr/bin/env bash
# "velmo /c" opens "Velmo Setup"; a click on OK stores the fifteen values and
# ends the program with exit code 0; Cancel and Escape leave the file alone;
# the idle start's check box writes and removes the autostart entry. Each run
# shoots the three tabs, at scale 1 and at scale 2, into the build tree
# ($VELMO_E2E_ARTEFACTS, dialog-[openbox-]1x|2x-<tab>.png) for a person to
# look at.
source "$(dirname "$0")/lib.sh"
unset QT_QPA_PLATFORM
start_xvfb 1280x1024x24


# Shoots the three tabs of window $1 as $ARTEFACTS/dialog-$2-<tab>.png,
# stepping through them with Ctrl+Tab and back to the first.
shoot_tabs() {
  local win="$1" tag="${VELMO_E2E_WM:+$VELMO_E2E_WM-}$2" tab previous="" shot
  timeout 5 xdotool windowfocus --sync "$win" || fail "the dialog did not take the focus"
  for tab in settings display clock; do
    shot="$ARTEFACTS/dialog-$tag-$tab.png"
    if [ -z "$previous" ]; then
      shoot_settled "$win" "$shot" || fail "the $tab tab does not settle"
    else
      # Ctrl+Tab shows another tab: wait for it to differ from the one before.
      wait_until 'import -window "$win" "$shot" && [ "$(pixels_differ "$shot" "$previous")" != 0 ]' 10 ||
        fail "Ctrl+Tab did not show the $tab tab"
      shoot_settled "$win" "$shot" || fail "the $tab tab does not settle"
    fi
    previous="$shot"
    xdotool key ctrl+Tab
  done
}

"$VELMO" /c >"$WORK/out.log" 2>&1 &
pid=$!
PIDS+=("$pid")
win=$(wait_dialog "$pid" "$WORK/out.log")
shoot_tabs "$win" 1x

# The client area is about 457 x 381: grown to the font, never cut down.
eval "$(xdotool getwindowgeometry --shell "$win")"
W1=$WIDTH
H1=$HEIGHT
[ "$W1" -ge 457 ] && [ "$W1" -le 503 ] && [ "$H1" -ge 381 ] && [ "$H1" -le 419 ] ||
  fail "window is ${W1}x${H1}, not about 457x381"

# OK sits at (296, 352), 75 x 25, in the client area, the button row at the bottom.
xdotool mousemove --window "$win" 333 $((H1 - 17)) click 1
wait_exit "$pid" 10 || fail "OK did not end the program"
[ "$RC" = 0 ] || fail "exit code $RC: $(tail -20 "$WORK/out.log")"

[ -f "$SETTINGS_FILE" ] || fail "no settings file"
for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
  clockX clockY clockRad ColorClock SetSpeed; do
  grep -q "^\"$name\"=dword:[0-9a-fA-F]\{8\}" "$SETTINGS_FILE" || fail "$name not stored: $(cat "$SETTINGS_FILE")"
done
# The first run stored the defaults for this 1280 x 1024 desktop, and OK kept them.
[ "$(stored_value ResHor)" = 1280 ] || fail "ResHor is not the desktop width: $(cat "$SETTINGS_FILE")"
# The clock's default is in proportion to the screen's smaller side: radius
# 70 and 20 to the edges per 600 rows, so 119 and 34 on 1024 rows.
[ "$(stored_value clockX)" = 1127 ] || fail "clockX is not 1127: $(cat "$SETTINGS_FILE")"
[ "$(stored_value NumBirds)" = 7 ] || fail "NumBirds is not 7"

# A second run at twice the scale: the same dialog, twice the pixels, the
# picture doubled pixel for pixel rather than blurred; Cancel leaves a
# changed file alone.
sed -i 's/^"NumBirds"=dword:00000007/"NumBirds"=dword:00000003/' "$SETTINGS_FILE"
cp "$SETTINGS_FILE" "$WORK/before.reg"
QT_SCALE_FACTOR=2 "$VELMO" /c >"$WORK/out.log" 2>&1 &
pid=$!
PIDS+=("$pid")
win=$(wait_dialog "$pid" "$WORK/out.log")
shoot_tabs "$win" 2x
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = $((2 * W1)) ] && [ "$HEIGHT" = $((2 * H1)) ] || fail "at scale 2 the window is ${WIDTH}x${HEIGHT}"
# The picture sits at (6, 7) in the client area: (12, 14) at scale 2.
convert "$ARTEFACTS/dialog-${VELMO_E2E_WM:+$VELMO_E2E_WM-}2x-settings.png" -crop 200x160+40+40 +repage "$WORK/picture.png"
convert "$WORK/picture.png" -sample 50% -sample 200% "$WORK/doubled.png"
differ=$(compare -metric AE "$WORK/picture.png" "$WORK/doubled.png" null: 2>&1 || true)
[ "$differ" = 0 ] || fail "the picture at scale 2 is not doubled pixel for pixel ($differ pixels differ)"
xdotool mousemove --window "$win" $((2 * 413)) $((HEIGHT - 2 * 17)) click 1
wait_exit "$pid" 10 || fail "Cancel did not end the program"
[ "$RC" = 0 ] || fail "exit code $RC after Cancel"
cmp -s "$WORK/before.reg" "$SETTINGS_FILE" || fail "Cancel changed the stored settings"

# Escape is Cancel: code 0, nothing stored.
"$VELMO" /c >"$WORK/out.log" 2>&1 &
pid=$!
PIDS+=("$pid")
win=$(wait_dialog "$pid" "$WORK/out.log")
timeout 5 xdotool windowfocus --sync "$win" || fail "the dialog did not take the focus"
xdotool key Escape
wait_exit "$pid" 10 || fail "Escape did not end the dialog"
[ "$RC" = 0 ] || fail "exit code $RC after Escape"
cmp -s "$WORK/before.reg" "$SETTINGS_FILE" || fail "Escape stored settings"

# The idle start, on the Settings tab under the groups. Checked and stored with Return, the autostart entry runs velmo --idle;
# unchecked, it is gone and the stored value is off (a watcher started
# meanwhile sees that and ends).
entry="$XDG_CONFIG_HOME/autostart/velmo.desktop"
idle_box() {  # clicks the check box of a new dialog, then Return
  "$VELMO" /c >"$WORK/out.log" 2>&1 &
  pid=$!
  PIDS+=("$pid")
  win=$(wait_dialog "$pid" "$WORK/out.log")
  timeout 5 xdotool windowfocus --sync "$win" || fail "the dialog did not take the focus"
  import -window "$win" "$WORK/idle-before.png"
  # Its row lies just above the tab page's bottom, 50 pixels above the
  # window's at scale 1 whatever the fonts made of the rows above.
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove --window "$win" 30 $((HEIGHT - 50)) click 1
  wait_until 'import -window "$win" "$WORK/idle-after.png" && [ "$(pixels_differ "$WORK/idle-before.png" "$WORK/idle-after.png")" != 0 ]' 10 ||
    fail "the idle start's check box did not change"
  cp "$WORK/idle-after.png" "$ARTEFACTS/dialog-${VELMO_E2E_WM:+$VELMO_E2E_WM-}idle-$1.png"
  xdotool key Return
  wait_exit "$pid" 10 || fail "Return did not end the dialog"
  [ "$RC" = 0 ] || fail "exit code $RC after Return: $(cat "$WORK/out.log")"
}
idle_box on
[ "$(stored_value IdleStart)" = 1 ] || fail "IdleStart not stored: $(cat "$SETTINGS_FILE")"
[ "$(stored_value IdleMinutes)" = 5 ] || fail "IdleMinutes is not 5: $(cat "$SETTINGS_FILE")"
grep -q '^Exec=.*velmo"\{0,1\} --idle$' "$entry" || fail "the autostart entry does not run velmo --idle: $(cat "$entry" 2>&1)"
grep -qx 'Type=Application' "$entry" || fail "the autostart entry is no application: $(cat "$entry")"
idle_box off
[ "$(stored_value IdleStart)" = 0 ] || fail "IdleStart not stored off: $(cat "$SETTINGS_FILE")"
[ ! -e "$entry" ] || fail "the autostart entry stayed: $(cat "$entry")"
# A third run: SIGTERM ends the dialog at once, as Cancel does.
cp "$SETTINGS_FILE" "$WORK/before.reg"
"$VELMO" /c >"$WORK/out.log" 2>&1 &
pid=$!
PIDS+=("$pid")
wait_dialog "$pid" "$WORK/out.log" >/dev/null
sigterm_ends "$pid" "the dialog" 0.5
cmp -s "$WORK/before.reg" "$SETTINGS_FILE" || fail "SIGTERM stored settings"
echo "dialog_ok: passed"
