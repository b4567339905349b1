# Shared by the end-to-end scripts: a private Xvfb, a private config
# directory, and small helpers to wait, look and clean up.
set -euo pipefail

VELMO="$1"
[ "${2:-}" = openbox ] && export VELMO_E2E_WM=openbox
WORK="$(mktemp -d)"
export XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$XDG_CONFIG_HOME"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
unset XSCREENSAVER_WINDOW
# Sanitizer builds: only our own leaks count.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan.supp"
PIDS=()

cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "${XORG_PID:-}" ] && kill "$XORG_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Starts Xvfb on a display number it picks itself (-displayfd: atomic, so
# test runs side by side never share a display), screen size $1 (WxHxD);
# further arguments go to Xvfb. With VELMO_E2E_WM=openbox set (the second
# argument of the script sets it too), a window manager runs on it as well.
start_xvfb() {
  local size="${1:-1024x768x24}" n=""
  shift || true
  rm -f "$WORK/displayfd"
  # -noreset: a server that resets when its last client goes refuses the
  # next one for a moment, and tests connect one after another.
  Xvfb -displayfd 9 -screen 0 "$size" -nolisten tcp -noreset "$@" 9>"$WORK/displayfd" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 200); do
    n=$(head -n 1 "$WORK/displayfd" 2>/dev/null || true)
    [ -n "$n" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    sleep 0.05
  done
  [ -n "$n" ] || fail "Xvfb gave no display number"
  export DISPLAY=":$n"
  xdpyinfo >/dev/null 2>&1 || fail "Xvfb on $DISPLAY does not answer"
  [ "${VELMO_E2E_WM:-}" = openbox ] && start_openbox
  return 0
}

# A real window manager: full screen, focus and stacking as on a desktop.
start_openbox() {
  command -v openbox >/dev/null || fail "openbox is not installed (scripts/setup.sh installs it)"
  openbox --sm-disable --config-file /dev/null >"$WORK/openbox.log" 2>&1 &
  PIDS+=("$!")
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    sleep 0.05
  done
  fail "openbox did not start: $(cat "$WORK/openbox.log")"
}

# Starts Xorg with the dummy video driver (xorg-dummy.conf: a 1920 x 1080
# desktop and the usual smaller modes through RandR) on a display it picks
# itself. Returns 1 where Xorg cannot start (not root, no server or driver).
start_xorg_dummy() {
  command -v Xorg >/dev/null || return 1
  local conf n
  conf="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/xorg-dummy.conf"
  # A seat other than seat0 has no virtual terminal: the console and the
  # servers of other tests keep theirs.
  Xorg -displayfd 3 -config "$conf" -noreset -nolisten tcp -seat seat1 -logfile "$WORK/xorg.log" \
    3>"$WORK/xorg.display" >"$WORK/xorg.out" 2>&1 &
  XORG_PID=$!
  for _ in $(seq 200); do
    n=$(cat "$WORK/xorg.display" 2>/dev/null || true)
    if [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
      export DISPLAY=":$n"
      [ "${VELMO_E2E_WM:-}" = openbox ] && start_openbox
      return 0
    fi
    kill -0 "$XORG_PID" 2>/dev/null || break
    sleep 0.05
  done
  kill "$XORG_PID" 2>/dev/null || true
  XORG_PID=""
  return 1
}

# Ends the script as skipped (ctest reads exit code 77) with a reason.
skip() {
  echo "SKIP: $*"
  exit 77
}

# Waits up to $2 seconds (default 10) for a window whose name matches $1;
# prints its id.
wait_window() {
  local name="$1" limit="${2:-10}" id
  for _ in $(seq $((limit * 10))); do
    # xwininfo rather than xdotool: SDL names its boxes with a UTF-8 WM_NAME
    # that xdotool's search does not read.
    id=$(xwininfo -root -tree 2>/dev/null | grep -E "^ +0x[0-9a-f]+ \"$name\"" | awk '{print $1}' | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds for our child $1 to end and sets RC to its exit
# code (not in a subshell: only this shell can collect its child).
wait_exit() {
  local pid="$1" limit="${2:-10}"
  for _ in $(seq $((limit * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      RC=0
      wait "$pid" || RC=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Presses Return in the message box named $1 (SDL's boxes answer OK to it).
dismiss_box() {
  local id
  id=$(wait_window "$1" 10) || fail "no message box \"$1\""
  xdotool windowfocus "$id" 2>/dev/null || true
  sleep 0.2
  xdotool key Return
}

# Colour of one pixel of a PNG as "r,g,b" (0..255).
pixel() {
  convert "$1" -format "%[fx:int(255*u.p{$2,$3}.r)],%[fx:int(255*u.p{$2,$3}.g)],%[fx:int(255*u.p{$2,$3}.b)]" info:
}

# Writes a whole settings file as the dialog's OK would, with the defaults of
# a 1024 x 768 x 32 desktop; NAME=VALUE arguments (decimal) replace values.
SETTINGS_FILE="$XDG_CONFIG_HOME/Corvane/Velmo20.reg"
write_settings() {
  local -A v=([NumBirds]=7 [flag_clock]=1 [flag_PlaySound]=1 [flag_fps]=1 [TermMouse]=1 [Gamma]=256
    [flag_defres]=1 [ResHor]=1024 [ResVert]=768 [ColorDepth]=32 [clockX]=934 [clockY]=90 [clockRad]=70
    [ColorClock]=33023 [SetSpeed]=1)
  local pair name
  for pair in "$@"; do v[${pair%%=*}]=${pair#*=}; done
  mkdir -p "$(dirname "$SETTINGS_FILE")"
  {
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n'
    for name in NumBirds flag_clock flag_PlaySound flag_fps TermMouse Gamma flag_defres ResHor ResVert ColorDepth \
      clockX clockY clockRad ColorClock SetSpeed; do
      printf '"%s"=dword:%08x\n' "$name" "${v[$name]}"
    done
  } >"$SETTINGS_FILE"
}

# The stored value NAME, in decimal.
stored_value() {
  printf '%d' "0x$(grep -i "^\"$1\"=dword:" "$SETTINGS_FILE" | sed 's/.*dword://' | tr -d '\r')"
}


# Waits for the settings dialog of our child $1 (its output in $2) and prints
# its window id. Qt names its window in a way xdotool reads (SDL's boxes need
# wait_window).
wait_dialog() {
  local win=""
  for _ in $(seq 150); do
    win=$(xdotool search --onlyvisible --name "^Velmo Setup" 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && break
    kill -0 "$1" 2>/dev/null || fail "velmo /c ended without a dialog: $(cat "$2")"
    sleep 0.1
  done
  [ -n "$win" ] || fail "no \"Velmo Setup\" window"
  sleep 0.3  # let the first paint land
  echo "$win"
}
