#!/usr/bin/env bash
# "velmo /c" opens "Velmo Setup"; a click on OK stores the fifteen values and
# ends the program with exit code 0.
set -euo pipefail
VELMO="$1"
WORK="$(mktemp -d)"
export XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$XDG_CONFIG_HOME"
unset QT_QPA_PLATFORM
# Under the sanitizer build: system libraries (fontconfig under Qt's font
# lookup, D-Bus under the desktop integration) keep blocks until exit on purpose.
printf 'leak:libfontconfig.so\nleak:libdbus-1.so\n' >"$WORK/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$WORK/lsan.supp"
XVFB_PID=""
APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A private X server on the first free display number.
for n in $(seq 171 240); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    xdpyinfo -display ":$n" >/dev/null 2>&1 && { export DISPLAY=":$n"; break 2; }
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  kill "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
done
[ -n "${DISPLAY:-}" ] && [ -n "$XVFB_PID" ] || fail "no Xvfb could be started"

"$VELMO" /c >"$WORK/out.log" 2>&1 &
APP_PID=$!

win=""
for _ in $(seq 150); do
  win=$(xdotool search --onlyvisible --name "^Velmo Setup" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  kill -0 "$APP_PID" 2>/dev/null || fail "velmo /c ended without a dialog: $(cat "$WORK/out.log")"
  sleep 0.1
done
[ -n "$win" ] || fail "no \"Velmo Setup\" window"
sleep 0.3  # let the first paint land before the picture is taken
import -window root "$WORK/dialog.png" || fail "no screenshot"
[ -n "${VELMO_E2E_KEEP:-}" ] && cp "$WORK/dialog.png" "$VELMO_E2E_KEEP"

# The client area is the fixed 457 x 381.
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = 457 ] && [ "$HEIGHT" = 381 ] || fail "window is ${WIDTH}x${HEIGHT}, not 457x381"
reg="$XDG_CONFIG_HOME/Corvane/Velmo20.reg"

# OK sits at (296, 352), 75 x 25, in the client area.
xdotool mousemove --window "$win" 333 364 click 1
rc=""
for _ in $(seq 100); do
  if ! kill -0 "$APP_PID" 2>/dev/null; then
    rc=0
    wait "$APP_PID" || rc=$?
    APP_PID=""
    break
  fi
  sleep 0.1
done
[ -n "$rc" ] || fail "OK did not end the program"
[ "$rc" = 0 ] || fail "exit code $rc: $(tail -20 "$WORK/out.log")"

[ -f "$reg" ] || fail "no settings file"
for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
  clockX clockY clockRad ColorClock SetSpeed; do
  grep -q "^\"$name\"=dword:[0-9a-fA-F]\{8\}" "$reg" || fail "$name not stored: $(cat "$reg")"
done
# The first run stored the defaults for this 1280 x 1024 desktop, and OK kept them.
grep -qi '^"ResHor"=dword:00000500' "$reg" || fail "ResHor is not the desktop width: $(cat "$reg")"
grep -qi '^"clockX"=dword:000004a6' "$reg" || fail "clockX is not 1190: $(cat "$reg")"
grep -qi '^"NumBirds"=dword:00000007' "$reg" || fail "NumBirds is not 7"

# A second run: Cancel leaves a changed file alone.
sed -i 's/^"NumBirds"=dword:00000007/"NumBirds"=dword:00000003/' "$reg"
before=$(cat "$reg")
"$VELMO" /c >"$WORK/out2.log" 2>&1 &
APP_PID=$!
win=""
for _ in $(seq 150); do
  win=$(xdotool search --onlyvisible --name "^Velmo Setup" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "no dialog the second time"
sleep 0.2
xdotool mousemove --window "$win" 413 364 click 1
for _ in $(seq 100); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "Cancel did not end the program"
APP_PID=""
[ "$(cat "$reg")" = "$before" ] || fail "Cancel changed the stored settings"
echo "dialog_ok: passed"
