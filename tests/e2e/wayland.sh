#!/usr/bin/env bash
# The program on a Wayland compositor with no X display of its own: weston
# runs nested in the test's Xvfb, so a screenshot of the X server shows what
# weston shows. "velmo /s" (through our own Wayland presenter) draws the seascape (a still sky, a moving sea,
# rocks) and "velmo /c" opens "Velmo Setup" (both shot into the build tree,
# wayland-saver.png and wayland-dialog.png, for a person to look at); both
# end on SIGTERM with code 0, the dialog storing nothing. A window with
# nothing to draw into, and a compositor without an input seat (weston's
# headless backend, where SDL 2.26 crashes), are said so, and the saver ends with 0.
source "$(dirname "$0")/lib.sh"
command -v weston >/dev/null || skip "weston is not installed (scripts/setup.sh installs it)"
unset QT_QPA_PLATFORM SDL_VIDEODRIVER WAYLAND_SOCKET
# SDL 2.26's Wayland driver and Qt's Wayland plugin keep blocks at exit on
# their own (a bare SDL_Init/SDL_Quit does too); our leaks are watched on X11.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}detect_leaks=0"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
W=800 H=600
start_xvfb "${W}x${H}x24"

# Starts weston with the backend $1 on the socket $2 (more arguments go to
# weston) and waits for the socket.
start_weston() {
  local backend="$1" socket="$2"
  shift 2
  weston --no-config --backend="$backend" --socket="$socket" --idle-time=0 "$@" >"$WORK/weston-$socket.log" 2>&1 &
  PIDS+=("$!")
  wait_until "[ -S '$XDG_RUNTIME_DIR/$socket' ] || ! kill -0 $! 2>/dev/null" 20 && [ -S "$XDG_RUNTIME_DIR/$socket" ] ||
    fail "weston ($backend) did not start: $(tail -5 "$WORK/weston-$socket.log")"
}

# Runs velmo with the arguments given on the compositor $WAYLAND, DISPLAY unset.
# Where zenity is installed, the error box of process $1 waits for its OK: it
# is closed as a user would, once the message $2 is in its standard error $3.
close_box() {
  wait_until "grep -q \"$2\" \"$3\" || ! kill -0 $1 2>/dev/null" 10 || true
  local box
  for box in $(pgrep -P "$1" -x zenity || true); do kill "$box" 2>/dev/null || true; done
}

run_on_wayland() {
  env -u DISPLAY WAYLAND_DISPLAY="$WAYLAND" "$VELMO" "$@" &
}


WAYLAND="velmo-e2e-$$"
start_weston x11-backend.so "$WAYLAND" --use-pixman --width=$W --height=$H

# The saver, full screen on weston's only output.
run_on_wayland /s 2>"$WORK/saver.err"
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/saver.err")"
# What weston shows lags what the saver presented: the sky is waited for.
seaTop=$((H * 380 / 600)) rockTop=$((H * 423 / 600))
wait_until 'import -window root "$WORK/a.png"; sky=$(grey "$WORK/a.png" "$((W - 300))x$((H * 200 / 600 - 12))+0+0"); [ "$sky" -gt 40 ]' 10 || true
wait_until 'import -window root "$WORK/b.png"
  seaMoved=$(part_changed "$WORK/a.png" "$WORK/b.png" "${W}x$((rockTop - seaTop - 4))+0+$((seaTop + 4))")
  [ "${seaMoved%% *}" -gt 200 ]' 10 || true
cp "$WORK/a.png" "$ARTEFACTS/wayland-saver.png"
rocks=$(grey "$WORK/a.png" "${W}x$((H / 20))+0+$((H - H / 10))")
[ "$sky" -gt 40 ] || fail "no sky in weston's window (mean $sky): $(cat "$WORK/saver.err")"
[ "$rocks" -lt "$sky" ] || fail "the rocks ($rocks) are not darker than the sky ($sky)"
[ "${seaMoved%% *}" -gt 200 ] 2>/dev/null || fail "the sea does not move ($seaMoved)"
sigterm_ends "$pid" "the saver"
[ -f "$SETTINGS_FILE" ] || fail "the saver stored no settings"
stored=$(md5sum <"$SETTINGS_FILE")

# The dialog: its window is named in the protocol, and its light grey
# face covers a good part of weston's output.
WAYLAND_DEBUG=client run_on_wayland /c 2>"$WORK/dialog.err"
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the dialog ended by itself: $(grep -v '^\[' "$WORK/dialog.err" | tail -5)"
grep -q 'set_title("Velmo Setup")' "$WORK/dialog.err" || fail "no \"Velmo Setup\" window"
face_of() {
  convert "$1" -fuzz 1% -fill white -opaque "rgb(239,239,239)" -fill black +opaque white -format "%[fx:int(mean*w*h)]" info:
}
wait_until 'import -window root "$WORK/dialog.png"; face=$(face_of "$WORK/dialog.png"); [ "$face" -gt 40000 ]' 10 ||
  fail "the dialog is not shown ($face pixels of its face)"
cp "$WORK/dialog.png" "$ARTEFACTS/wayland-dialog.png"
sigterm_ends "$pid" "the dialog"
[ "$(md5sum <"$SETTINGS_FILE")" = "$stored" ] || fail "the dialog stored settings on SIGTERM"

# Through SDL's Wayland driver (asked for by name) without SDL's own
# framebuffer, a window has nothing to draw into: said in the error box (on
# standard error), not a blank screen.
SDL_VIDEODRIVER=wayland SDL_FRAMEBUFFER_ACCELERATION=0 run_on_wayland /s 2>"$WORK/blank.err"
pid=$!
PIDS+=("$pid")
close_box "$pid" "nothing to draw into" "$WORK/blank.err"
wait_exit "$pid" 10 || fail "the saver kept running with nothing to draw into"
[ "$RC" = 2 ] || fail "the saver ended with exit code $RC, not 2, with nothing to draw into: $(head -5 "$WORK/blank.err")"
grep -q "nothing to draw into" "$WORK/blank.err" || fail "no clear message: $(cat "$WORK/blank.err")"

# A compositor without any input seat.
WAYLAND="velmo-e2e-$$-seatless"
start_weston headless-backend.so "$WAYLAND"
run_on_wayland /s 2>"$WORK/seatless.err"
pid=$!
PIDS+=("$pid")
close_box "$pid" "no input seat" "$WORK/seatless.err"
wait_exit "$pid" 10 || fail "the saver kept running on a compositor without a seat"
[ "$RC" = 2 ] || fail "the saver ended with exit code $RC, not 2, without a seat: $(head -5 "$WORK/seatless.err")"
grep -q "no input seat" "$WORK/seatless.err" || fail "no clear message without a seat: $(cat "$WORK/seatless.err")"
echo "PASS: sky $sky, rocks $rocks, sea moved $seaMoved px; dialog face $face px"
