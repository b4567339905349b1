#!/usr/bin/env bash
# Makes the README's pictures from the real program on a private Xvfb:
#   docs/screenshot-saver.png     the running saver at 1920 x 1080 (16:9)
#   docs/screenshot-portrait.png  the running saver on a portrait 1080 x 1920
#   docs/screenshot-settings.png  the settings dialog's first tab
# Run it again after changing the art or the dialog. Uses the built program
# ($VELMO_BUILD_DIR or build/, built first when missing); never touches the
# user's own settings or display.
# Usage: scripts/screenshot.sh [OUTPUT_DIR]   (default: docs/)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$(cd "${1:-$here/docs}" && pwd)"
velmo="${VELMO_BUILD_DIR:-$here/build}/velmo"
[ -x "$velmo" ] || bash "$here/scripts/build.sh"

work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
export SDL_AUDIODRIVER=dummy
# Sanitizer builds report leaks of the system libraries at exit; not wanted here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
unset XSCREENSAVER_WINDOW QT_QPA_PLATFORM
xvfb_pid="" velmo_pid=""
cleanup() {
  [ -n "$velmo_pid" ] && kill "$velmo_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "screenshot: $*" >&2
  exit 1
}
# Ends our program: asked first, forced after five seconds.
stop() {
  kill "$velmo_pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$velmo_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$velmo_pid" 2>/dev/null || true
  wait "$velmo_pid" 2>/dev/null || true
  velmo_pid=""
}

# A display of our own of size WxH: Xvfb picks a free number and tells us which.
start_display() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    grep -q '^[0-9]' "$work/display" 2>/dev/null && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$work/display")"
  xdpyinfo >/dev/null 2>&1 || fail "no display $DISPLAY"
}

# The stored settings: the defaults of a W x H desktop (the clock in
# proportion to it), without the frame-rate read-out (a development aid,
# not part of the picture).
store_defaults() {
  local w=$1 h=$2 side rad margin
  side=$((w < h ? w : h))
  rad=$(((70 * side + 300) / 600))
  margin=$(((20 * side + 300) / 600))
  mkdir -p "$XDG_CONFIG_HOME/Corvane"
  {
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n'
    for pair in NumBirds=7 flag_clock=1 flag_PlaySound=0 flag_fps=0 TermMouse=1 Gamma=256 flag_defres=1 \
      ResHor="$w" ResVert="$h" ColorDepth=32 clockX=$((w - rad - margin)) clockY=$((rad + margin)) clockRad=$rad \
      ColorClock=33023 SetSpeed=1; do
      printf '"%s"=dword:%08x\n' "${pair%%=*}" "${pair#*=}"
    done
  } >"$XDG_CONFIG_HOME/Corvane/Velmo20.reg"
}

# True colour, as the screen shows it: a 256-colour palette would band the
# glow around the sun. No time stamps, so an unchanged picture gives an
# unchanged file.
save() { convert "$1" -strip -define png:compression-level=9 "$2"; }

# The saver on a W x H screen: let the gulls spread out over the sky before
# taking the picture.
shoot() {
  start_display "$1x$2"
  store_defaults "$1" "$2"
  "$velmo" /s >"$work/saver.log" 2>&1 &
  velmo_pid=$!
  sleep "${VELMO_SHOT_DELAY:-20}"
  kill -0 "$velmo_pid" 2>/dev/null || fail "the saver ended by itself: $(cat "$work/saver.log")"
  import -window root "$work/saver.png"
  stop
  save "$work/saver.png" "$3"
}

shoot 1080 1920 "$out/screenshot-portrait.png"
shoot 1920 1080 "$out/screenshot-saver.png"

# The settings dialog as it opens on a first run (so showing the defaults),
# on its first tab.
rm -rf "$XDG_CONFIG_HOME/Corvane"
"$velmo" /c >"$work/dialog.log" 2>&1 &
velmo_pid=$!
win=""
for _ in $(seq 150); do
  win=$(xdotool search --onlyvisible --name "^Velmo Setup" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  kill -0 "$velmo_pid" 2>/dev/null || fail "the dialog ended by itself: $(cat "$work/dialog.log")"
  sleep 0.1
done
[ -n "$win" ] || fail "no \"Velmo Setup\" window"
sleep 1  # let the first paint land
import -window "$win" "$work/dialog.png"
stop
save "$work/dialog.png" "$out/screenshot-settings.png"

ls -l "$out/screenshot-saver.png" "$out/screenshot-portrait.png" "$out/screenshot-settings.png"
