# Shared by the end-to-end scripts: a private Xvfb, a private config
# directory, and small helpers to wait on conditions, look and clean up.
# Waits poll a condition up to a time limit; the limits are generous (a
# loaded two-core machine, a sanitizer build) and cost nothing when the
# condition comes true early.
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
# The program writes its process id here once its first frame (the dialog:
# its first paint) is on the screen; see wait_shown.
READY="$WORK/ready"
: >"$READY"
exec {VELMO_READY_FD}>>"$READY"
export VELMO_READY_FD
# Pictures for a person to look at go here.
ARTEFACTS="${VELMO_E2E_ARTEFACTS:-$WORK/artefacts}"
mkdir -p "$ARTEFACTS"
# Every process this run starts carries the mark, so that whatever of the
# program outlives the test is found (see cleanup).
export VELMO_E2E_MARK="$WORK"
# The program's files whose processes count as ours (a script adds copies).
VELMO_FILES=("$(readlink -f "$VELMO")")
PIDS=()

# Process ids of the program still running from this run: the program and
# anything forked from it (a message box's process, velmo-guard), wherever
# it was reparented.
ours_running() {
  local p exe
  for p in /proc/[0-9]*; do
    exe=$(readlink "$p/exe" 2>/dev/null) || continue
    [[ " ${VELMO_FILES[*]} " == *" $exe "* ]] || continue
    grep -qzxF "VELMO_E2E_MARK=$WORK" "$p/environ" 2>/dev/null || continue
    echo "${p#/proc/}"
  done
}

# At the end of every script: on success nothing of the program may be left
# running (a moment is allowed for processes already ending); what is left is
# named, killed, and fails the script. Then the servers go.
cleanup() {
  local rc=$? left=""
  if [ "$rc" = 0 ] || [ "$rc" = 77 ]; then
    wait_until '[ -z "$(ours_running)" ]' 3 || left=$(ours_running)
  fi
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  # Servers and compositors end before their files go.
  wait_until 'all_gone "${PIDS[@]}"' 10 || true
  if [ -n "$left" ]; then
    echo "FAIL: the program was left running:" >&2
    for p in $left; do ps -o pid=,ppid=,stat=,comm=,args= -p "$p" >&2 || true; done
    rc=1
  fi
  for p in $(ours_running); do kill -KILL "$p" 2>/dev/null || true; done
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  [ -n "${XORG_PID:-}" ] && kill "$XORG_PID" 2>/dev/null || true
  rm -rf "$WORK"
  exit "$rc"
}
trap cleanup EXIT

# Waits up to $2 seconds (default 10; fractions allowed) for the shell
# command $1 to succeed, trying it every $3 seconds (default a tenth);
# returns 1 when time runs out.
wait_until() {
  local deadline
  deadline=$(($(date +%s%N) + $(awk -v s="${2:-10}" 'BEGIN { printf "%.0f", s * 1e9 }')))
  while :; do
    eval "$1" && return 0
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep "${3:-0.1}"
  done
}
# The same for a command given as words, "wait_for SECONDS COMMAND ARGS...",
# tried every 20 ms where a script measures how soon something happens.
wait_for() {
  local limit="$1"
  shift
  wait_until "$(printf '%q ' "$@")" "$limit" 0.02
}

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# True while process $1 exists and is not a zombie.
alive() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) && [ "${state#Z}" = "$state" ]
}

# True when none of the given processes is alive; read from /proc, cheap
# enough to ask every 20 ms.
all_gone() {
  local p state
  for p in "$@"; do
    state=$(awk '{ print $3 }' "/proc/$p/stat" 2>/dev/null || true)
    [ -z "$state" ] || [ "$state" = Z ] || return 1
  done
}

# The process $1 and all processes below it.
process_tree() {
  local p
  echo "$1"
  for p in $(pgrep -P "$1" || true); do process_tree "$p"; done
}

# Whether process $1 said it is on the screen.
shown() { grep -qxF "$1" "$READY"; }

# Waits up to $2 seconds (default 120, a hang's limit: a sanitizer build
# beside other tests and four busy loops took over a minute) for process $1
# of the program to show its first frame (or the dialog its first paint); returns 1 when it ends
# first or time runs out.
wait_shown() {
  wait_until "shown $1 || ! alive $1" "${2:-120}" && shown "$1"
}

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
  wait_until '[ -s "$WORK/displayfd" ] || ! kill -0 "$XVFB_PID" 2>/dev/null' 20 || fail "Xvfb gave no display number"
  n=$(head -n 1 "$WORK/displayfd" 2>/dev/null || true)
  [ -n "$n" ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
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
  wait_until 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' 20 ||
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
  xorg_answers() {
    n=$(cat "$WORK/xorg.display" 2>/dev/null || true)
    [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1
  }
  if wait_until 'xorg_answers || ! kill -0 "$XORG_PID" 2>/dev/null' 20 && xorg_answers; then
    export DISPLAY=":$n"
    [ "${VELMO_E2E_WM:-}" = openbox ] && start_openbox
    return 0
  fi
  kill "$XORG_PID" 2>/dev/null || true
  XORG_PID=""
  return 1
}

# PipeWire for a test user, as a desktop session has it: a session bus,
# pipewire and wireplumber (with pipewire-alsa installed, ALSA's default
# device is PipeWire too) in a runtime directory of their own, for nobody
# when the test runs as root. No sink unless "$1" is "sink": then a null
# sink (named test-sink) is made, which takes a stream like a real output.
# Sets PW_RUNTIME, PW_ENV (the environment a client needs: runtime
# directory, bus) and PW_USER (the command prefix that runs as the test
# user: empty, or setpriv); programs meant to play run as that user, with
# "${PW_USER[@]}" env "${PW_ENV[@]}" CMD (a server refuses other users).
# Skips the script when a piece is missing. Other scripts that need sound
# call it the same way.
start_pipewire() {
  local tool
  PW_USER=()
  for tool in pipewire wireplumber pw-cli pw-dump dbus-daemon; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
  done
  [ -f /usr/share/alsa/alsa.conf.d/99-pipewire-default.conf ] ||
    skip "pipewire-alsa is not installed (scripts/setup.sh installs it)"
  chmod 711 "$WORK"
  PW_RUNTIME=$(mktemp -d "$WORK/pw.XXXXXX")
  if [ "$(id -u)" = 0 ]; then
    chown nobody:nogroup "$PW_RUNTIME"
    PW_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  PW_ENV=(XDG_RUNTIME_DIR="$PW_RUNTIME" DBUS_SESSION_BUS_ADDRESS="unix:path=$PW_RUNTIME/bus" PIPEWIRE_RUNTIME_DIR="$PW_RUNTIME")
  local base=(env -i HOME="$PW_RUNTIME" PATH=/usr/bin:/bin "${PW_ENV[@]}")
  "${PW_USER[@]}" "${base[@]}" dbus-daemon --session --address="unix:path=$PW_RUNTIME/bus" --nofork \
    --nopidfile >"$WORK/pw-dbus.log" 2>&1 &
  PIDS+=("$!")
  wait_until '[ -S "$PW_RUNTIME/bus" ]' 10 || fail "the test user's session bus did not start"
  "${PW_USER[@]}" "${base[@]}" pipewire >"$WORK/pipewire.log" 2>&1 &
  PIDS+=("$!")
  wait_until '[ -S "$PW_RUNTIME/pipewire-0" ]' 20 || fail "pipewire did not start: $(tail -3 "$WORK/pipewire.log")"
  "${PW_USER[@]}" "${base[@]}" wireplumber >"$WORK/wireplumber.log" 2>&1 &
  PIDS+=("$!")
  # WirePlumber is up once it is a client of the server.
  wait_until 'env "${PW_ENV[@]}" pw-dump 2>/dev/null | grep -q "\"application.name\": \"WirePlumber\""' 20 ||
    fail "wireplumber did not start: $(tail -3 "$WORK/wireplumber.log")"
  if [ "${1:-}" = sink ]; then
    "${PW_USER[@]}" env "${PW_ENV[@]}" pw-cli create-node adapter '{ factory.name=support.null-audio-sink node.name=test-sink
      media.class=Audio/Sink object.linger=true audio.position=[FL FR] }' >/dev/null ||
      fail "no null sink could be made"
    wait_until 'env "${PW_ENV[@]}" pw-dump 2>/dev/null | grep -q "\"node.name\": \"test-sink\""' 10 ||
      fail "the null sink did not appear"
  fi
}

# Ends the script as skipped (ctest reads exit code 77) with a reason.
skip() {
  echo "SKIP: $*"
  exit 77
}

# Waits up to $2 seconds (default 10) for a window whose name matches $1;
# prints its id.
window_named() {
  # xwininfo rather than xdotool: SDL names its boxes with a UTF-8 WM_NAME
  # that xdotool's search does not read.
  xwininfo -root -tree 2>/dev/null | grep -E "^ +0x[0-9a-f]+ \"$1\"" | awk '{print $1}' | head -n 1 || true
}
wait_window() {
  local name="$1" id=""
  wait_until 'id=$(window_named "$name"); [ -n "$id" ]' "${2:-10}" || return 1
  echo "$id"
}
window_exists() { [ -n "$(window_named "$1")" ]; }

# Waits up to $2 seconds for our child $1 to end and sets RC to its exit
# code (not in a subshell: only this shell can collect its child).
wait_exit() {
  wait_until "! kill -0 $1 2>/dev/null" "${2:-10}" || return 1
  RC=0
  wait "$1" || RC=$?
}

# Sends SIGTERM to our child $1 ($2 names it) and fails unless it ends with
# exit code 0 within $3 seconds (default 10); $4 is a file of what it said.
sigterm_ends() {
  kill -TERM "$1"
  wait_exit "$1" "${3:-10}" || fail "$2 did not end within ${3:-10} s of SIGTERM"
  [ "$RC" = 0 ] || fail "$2 ended on SIGTERM with exit code $RC${4:+: $(cat "$4")}"
}

# Presses Return in the message box named $1 (SDL's boxes answer OK to it)
# until the box is gone: a key pressed before the box has the focus is lost.
dismiss_box() {
  local id
  id=$(wait_window "$1" 30) || fail "no message box \"$1\""
  press_return() {
    xwininfo -id "$id" 2>/dev/null | grep -q IsViewable || return 1
    timeout 2 xdotool windowfocus --sync "$id" 2>/dev/null || true
    xdotool key Return
    wait_until '! xwininfo -id "$id" >/dev/null 2>&1' 2
  }
  wait_until press_return 30 || fail "the message box \"$1\" did not take Return"
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

# The stored value NAME of the settings file (or of file $2) in decimal,
# empty when absent.
stored_value() {
  local hex
  hex=$(grep -i "^\"$1\"=dword:" "${2:-$SETTINGS_FILE}" 2>/dev/null | head -n 1 | sed 's/.*dword://' | tr -d '\r')
  [ -n "$hex" ] && printf '%d' "0x$hex"
}
stored_is() { [ "$(stored_value "$1")" = "$2" ]; }

# Waits for the settings dialog of our child $1 (its output in $2) to be
# painted and prints its window id. Qt names its window in a way xdotool
# reads (SDL's boxes need wait_window).
wait_dialog() {
  local win=""
  wait_shown "$1" || fail "velmo /c showed no dialog: $(cat "$2")"
  wait_until 'win=$(xdotool search --onlyvisible --name "^Velmo Setup" 2>/dev/null | head -n 1 || true); [ -n "$win" ]' 10 ||
    fail "no \"Velmo Setup\" window"
  echo "$win"
}

# Number of pixels that differ between two pictures (beyond a fuzz of $3,
# default none).
pixels_differ() {
  local n
  n=$(compare -metric AE -fuzz "${3:-0}" "$1" "$2" null: 2>&1 || true)
  echo "${n%% *}"
}
# The same for the part $3 (WxH+X+Y) of both, beyond a fuzz of 3 %.
part_changed() {
  convert "$1" -crop "$3" +repage "$WORK/part1.png"
  convert "$2" -crop "$3" +repage "$WORK/part2.png"
  pixels_differ "$WORK/part1.png" "$WORK/part2.png" 3%
}

# Mean grey level (0..255) of the part $2 (WxH+X+Y) of the picture $1.
grey() { convert "$1" -crop "$2" -colorspace gray -format "%[fx:int(255*mean)]" info:; }
# Number of pixels of the picture $1 within 10 % of the colour $2 (rrggbb).
pixels_of() { convert "$1" -fuzz 10% -fill black +opaque "#$2" -fuzz 0 -fill white +opaque black -format "%[fx:int(mean*w*h)]" info:; }

# Prints why the picture $3 is not the whole scene at $1 x $2: its size, a
# sky at the top, dark rocks along the bottom and, given a colour $4, none of
# that background left; prints nothing when it is.
scene_fault() {
  local W="$1" H="$2" shot="$3" left sky rocks
  [ "$(identify -format "%wx%h" "$shot")" = "${W}x$H" ] || { echo "the picture is $(identify -format "%wx%h" "$shot")"; return; }
  if [ -n "${4:-}" ]; then
    left=$(pixels_of "$shot" "$4")
    [ "$left" = 0 ] || { echo "$left pixels of the background show"; return; }
  fi
  sky=$(grey "$shot" "${W}x$((H / 4))+0+0")
  rocks=$(grey "$shot" "${W}x$((H / 15))+0+$((H - H / 15))")
  [ "$sky" -gt 60 ] || { echo "no sky at the top (grey $sky)"; return; }
  [ "$rocks" -lt 50 ] && [ "$rocks" -lt "$sky" ] || echo "no rocks at the bottom (grey $rocks, sky $sky)"
}
# Waits up to 20 s (laying the scene out is start-up work, slow in a
# sanitizer build) for the window $1 to show the whole scene at $2 x $3, with
# none of the background colour $5 if given; its shot goes to $ARTEFACTS/$4.png.
wait_scene() {
  local win="$1" W="$2" H="$3" shot="$WORK/$4.png" background="${5:-}" fault=""
  wait_until 'import -window "$win" "$shot" 2>/dev/null && fault=$(scene_fault "$W" "$H" "$shot" "$background") ||
    fault="no shot"; [ -z "$fault" ]' 20 || true
  cp "$shot" "$ARTEFACTS/$4.png" 2>/dev/null || true
  [ -z "$fault" ] || fail "at ${W}x$H: $fault"
}

# Shoots window $1 (root: the screen) into the PNG $2 once two shots in a
# row agree, a window whose painting has settled; up to $3 seconds (default 10).
shoot_settled() {
  local win="$1" file="$2" before="$WORK/settling.png"
  import -window "$win" "$before" 2>/dev/null || true
  wait_until 'import -window "$win" "$file" 2>/dev/null && [ "$(pixels_differ "$file" "$before")" = 0 ] ||
    { cp "$file" "$before" 2>/dev/null; false; }' "${3:-10}"
}
