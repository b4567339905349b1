# GNOME's and KDE's compositors for the end-to-end scripts (sourced after
# lib.sh): mutter headless and kwin_wayland, each as a desktop runs it, as an
# unprivileged user (nobody when the tests run as root: both refuse root or
# need a user's session) with a runtime directory and a session bus of its
# own, and helpers to shoot each monitor or output and to type keys. The
# program itself runs as the script's user, a client of the user's
# compositor and bus as on a desktop. Every process started here is in PIDS,
# so lib.sh's cleanup ends it; the bus activates no services, so nothing is
# started behind our back.
#
#   desk_start MUTTER|KWIN       the user, runtime directory ($DESK_RUNTIME) and session bus
#   desk_start_pipewire          PipeWire and WirePlumber for the user (mutter's screen casts)
#   start_mutter WxH WxH         mutter, two virtual monitors Meta-0 (the primary) and Meta-1
#   mutter_remote_start          the remote-desktop helper; before the program starts (see there)
#   mutter_shot MONITOR FILE     a PNG of one monitor
#   mutter_key KEYSYM            a key pressed and released (0x20: space)
#   mutter_turn MONITOR          the monitor turned a quarter while the session lasts
#   start_kwin_nested WxH WxH    KWin in an Xvfb of its own, two outputs X11-0 (the primary) and X11-1
#   start_kwin_virtual WxH       KWin with no display at all, two outputs of that size
#   kwin_shot N FILE             a PNG of output N (nested only)
#   kwin_key CODE                a key pressed and released (a Linux key code: 57 is space)
#   seascape_fault FILE [clock|noclock]   why the shot is not the scene, or nothing
#   idle_watcher_starts SECONDS KEYCOMMAND...   velmo --idle --after SECONDS; sets WATCHER and SAVER
DESKS_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
unset DISPLAY WAYLAND_DISPLAY WAYLAND_SOCKET SDL_VIDEODRIVER QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
# SDL's and libwayland's own blocks kept at exit are not ours; our leaks
# are watched on X11.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}detect_leaks=0"

# The user, a runtime directory of its own (mode 0700, the user's) and a
# session bus for it; $1 names what is missing when a tool is.
desk_start() {
  local tool
  for tool in setpriv dbus-daemon; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
  done
  DESK_AS=()
  chmod 711 "$WORK"
  DESK_RUNTIME=$(mktemp -d "$WORK/runtime.XXXXXX")
  if [ "$(id -u)" = 0 ]; then
    chown nobody:nogroup "$DESK_RUNTIME"
    DESK_AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  export XDG_RUNTIME_DIR="$DESK_RUNTIME" DBUS_SESSION_BUS_ADDRESS="unix:path=$DESK_RUNTIME/bus"
  DESK_CMD=("${DESK_AS[@]}" env -i HOME="$DESK_RUNTIME" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$DESK_RUNTIME"
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS")
  # The session bus lets in the user and the script's own user (root may
  # not connect to another user's bus otherwise), and starts no services.
  cat >"$WORK/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$DESK_RUNTIME/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="$(id -un)"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  chmod 644 "$WORK/bus.conf"
  desk_spawn "$WORK/bus.log" dbus-daemon --config-file="$WORK/bus.conf" --nofork
  wait_until "[ -n \"\$(bus_names)\" ] || ! kill -0 $DESK_PID 2>/dev/null" 10 && [ -n "$(bus_names)" ] ||
    fail "the session bus did not start: $(cat "$WORK/bus.log")"
}

# Runs a command (NAME=VALUE words first add to its environment) as the
# desktop's user, with its runtime directory and bus.
as_desk_user() { "${DESK_CMD[@]}" "$@"; }
# The same in the background, its output into the file $1, its process id
# (the command's own: the subshell executes it) in DESK_PID and PIDS.
desk_spawn() {
  local log="$1"
  shift
  exec "${DESK_CMD[@]}" "$@" >"$log" 2>&1 &
  DESK_PID=$!
  PIDS+=("$DESK_PID")
}

# The names on the session bus, one a line.
bus_names() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.ListNames 2>/dev/null |
    sed -n 's/^ *string "\(.*\)"$/\1/p'
}
bus_has() { grep -qxF "$1" <<<"$(bus_names)"; }

# (Whole outputs are read before they are searched: with pipefail a
# grep -q that stops reading early fails the pipe.)
wireplumber_in() { [[ "$(pw-cli ls Client 2>/dev/null)" == *'application.name = "WirePlumber"'* ]]; }
# PipeWire and its session manager for the user, which mutter's screen casts
# need; waits until WirePlumber is a client of PipeWire.
desk_start_pipewire() {
  local tool
  for tool in pipewire wireplumber pw-cli; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
  done
  desk_spawn "$WORK/pipewire.log" pipewire
  wait_until "[ -S '$DESK_RUNTIME/pipewire-0' ] || ! kill -0 $DESK_PID 2>/dev/null" 20 && [ -S "$DESK_RUNTIME/pipewire-0" ] ||
    fail "PipeWire did not start: $(tail -5 "$WORK/pipewire.log")"
  desk_spawn "$WORK/wireplumber.log" wireplumber
  wait_until "wireplumber_in || ! kill -0 $DESK_PID 2>/dev/null" 20 && wireplumber_in ||
    fail "WirePlumber did not start: $(tail -5 "$WORK/wireplumber.log")"
}

# mutter as GNOME runs it without a display, with two virtual monitors of
# the sizes given (Meta-0 at the origin, Meta-1 to its right); waits for its
# socket and its screen-cast service. Needs desk_start first.
start_mutter() {
  command -v mutter >/dev/null || skip "mutter is not installed (scripts/setup.sh installs it)"
  desk_spawn "$WORK/mutter.log" mutter --headless --wayland --no-x11 --virtual-monitor "$1" --virtual-monitor "$2"
  MUTTER=$DESK_PID
  wait_until "bus_has org.gnome.Mutter.RemoteDesktop && [ -S '$DESK_RUNTIME/wayland-0' ] || ! kill -0 $MUTTER 2>/dev/null" 30 &&
    kill -0 "$MUTTER" 2>/dev/null || fail "mutter did not start: $(tail -5 "$WORK/mutter.log")"
  export WAYLAND_DISPLAY=wayland-0
}

# The helper that shoots and types for mutter (mutter_remote.py, Debian's
# python3-gi) as a coprocess. Start it before the program: the virtual
# keyboard it makes comes into mutter's seat with its first key, and a
# client that saw no keyboard at its start may miss the keys that come just
# after one appears.
mutter_remote_start() {
  local line
  /usr/bin/python3 -c 'import gi' 2>/dev/null || skip "python3-gi is not installed (scripts/setup.sh installs it)"
  command -v gst-launch-1.0 >/dev/null || skip "gst-launch-1.0 is not installed (scripts/setup.sh installs it)"
  coproc REMOTE { TMPDIR="$WORK" exec /usr/bin/python3 "$DESKS_DIR/mutter_remote.py" 2>"$WORK/remote.log"; }
  PIDS+=("$REMOTE_PID")
  read -r -t 30 -u "${REMOTE[0]}" line || true
  [ "$line" = ok ] || fail "the remote-desktop helper did not start: $line $(cat "$WORK/remote.log")"
}
# Sends the helper one command and fails unless it answers ok.
mutter_remote() {
  local line=""
  echo "$*" >&"${REMOTE[1]}"
  read -r -t 60 -u "${REMOTE[0]}" line || true
  [ "$line" = ok ] || { echo "$*: ${line:-no answer}" >"$WORK/remote.answer"; return 1; }
}
mutter_shot() { mutter_remote shot "$1" "$2"; }
mutter_key() { mutter_remote key "$1"; }
mutter_turn() { mutter_remote turn "$1"; }

# A copy of kwin_wayland: the installed one carries a file capability
# (cap_sys_resource) that a container refuses to execute.
kwin_binary() {
  command -v kwin_wayland >/dev/null || skip "kwin_wayland is not installed (scripts/setup.sh installs it)"
  if [ ! -x "$WORK/bin/kwin_wayland" ]; then
    mkdir -p "$WORK/bin"
    chmod 755 "$WORK/bin"
    cp "$(command -v kwin_wayland)" "$WORK/bin/kwin_wayland"
  fi
  echo "$WORK/bin/kwin_wayland"
}

# Starts KWin with the arguments given on the socket $KWIN_SOCKET and waits
# for its outputs. Fake input is offered to a plain client only without
# KWin's permission checks.
# Each KWin of a script gets a socket of its own.
KWIN_COUNT=0
start_kwin() {
  local kwin
  kwin=$(kwin_binary)
  KWIN_SOCKET="wayland-kde-$((++KWIN_COUNT))"
  desk_spawn "$WORK/kwin-$KWIN_COUNT.log" KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_COMPOSE=Q ${DISPLAY:+DISPLAY=$DISPLAY} \
    "$kwin" --socket "$KWIN_SOCKET" "$@"
  KWIN=$DESK_PID
  export WAYLAND_DISPLAY="$KWIN_SOCKET"
  wait_until "[ \$(wayland_outputs | wc -l) = 2 ] || ! kill -0 $KWIN 2>/dev/null" 30 && kill -0 "$KWIN" 2>/dev/null ||
    fail "KWin did not start: $(tail -5 "$WORK/kwin-$KWIN_COUNT.log")"
}
# The compositor's outputs as "NAME X Y WIDTH HEIGHT", one a line.
wayland_outputs() {
  wayland-info 2>/dev/null | awk '
    /interface: .wl_output./ { on = 1; next }
    /interface:/ { on = 0 }
    on && /name:/ && !name { name = $2 }
    on && /x: / { gsub(",", ""); x = $2; y = $4 }
    on && /width: .* px/ { print name, x, y, $2, $5; name = "" }'
}

# KWin nested in an Xvfb of its own, whose windows are its outputs: X11-0
# ($1, at the origin) and X11-1 ($2, to its right). KWin opens both windows at
# the first size, on top of each other: the second is moved aside and given
# its size (KWin follows its window's size), before any client starts. The
# windows' ids are KWIN_WINDOWS[0] and [1].
start_kwin_nested() {
  local w0="${1%x*}" h0="${1#*x}" w1="${2%x*}" h1="${2#*x}" ids
  command -v wayland-info >/dev/null || skip "wayland-info is not installed (scripts/setup.sh installs it)"
  start_xvfb "$((w0 + w1))x$((h0 > h1 ? h0 : h1))x24"
  start_kwin --x11-display "$DISPLAY" --width "$w0" --height "$h0" --output-count 2
  # The windows come in the order of the outputs.
  wait_until 'ids=$(xwininfo -root -children | grep -o "^ *0x[0-9a-f]* \"KDE Wayland Compositor ($KWIN_SOCKET)" | awk "{print \$1}"); [ $(echo "$ids" | wc -w) = 2 ]' 10 ||
    fail "KWin opened no two windows"
  mapfile -t KWIN_WINDOWS < <(for id in $ids; do printf '%d %s\n' "$id" "$id"; done | sort -n | awk '{print $2}')
  xdotool windowmove "${KWIN_WINDOWS[1]}" "$w0" 0 windowsize "${KWIN_WINDOWS[1]}" "$w1" "$h1"
  wait_until "grep -qx 'X11-1 $w0 0 $w1 $h1' <<<\"\$(wayland_outputs)\"" 10 || fail "KWin's second output is not ${2} beside the first: $(wayland_outputs)"
}

# KWin with no display of its own (its virtual backend): two outputs of one
# size, side by side.
start_kwin_virtual() {
  command -v wayland-info >/dev/null || skip "wayland-info is not installed (scripts/setup.sh installs it)"
  start_kwin --virtual --width "${1%x*}" --height "${1#*x}" --output-count 2
}

# A shot of output $1 (0, 1) of the nested KWin into the PNG $2.
kwin_shot() { import -window "${KWIN_WINDOWS[$1]}" "$2" 2>/dev/null; }

# Types the Linux key code $1 into KWin (through the test client
# kwin_fake_key, which the build makes and ctest names in
# VELMO_E2E_FAKE_KEY; by hand, the one beside the program's build is
# taken). It runs as the desktop's user: KWin lets a client
# use fake input only when it can read what the client runs, not root's.
kwin_key() {
  [ -x "$WORK/bin/kwin_fake_key" ] || {
    mkdir -p "$WORK/bin"
    cp "$VELMO_E2E_FAKE_KEY" "$WORK/bin/kwin_fake_key"
    chmod 755 "$WORK/bin" "$WORK/bin/kwin_fake_key"
  }
  as_desk_user WAYLAND_DISPLAY="$KWIN_SOCKET" "$WORK/bin/kwin_fake_key" "$@" 2>>"$WORK/fake_key.log"
}
kwin_keys_ready() {
  VELMO_E2E_FAKE_KEY="${VELMO_E2E_FAKE_KEY:-$(dirname "$VELMO")/tests/kwin_fake_key}"
  [ -x "$VELMO_E2E_FAKE_KEY" ] ||
    skip "no kwin_fake_key (the build makes it where plasma-wayland-protocols is installed; ctest names it)"
}

# Means of a part ($2 = WxH+X+Y) of the picture $1 as "red green blue" (0..255).
means() {
  convert "$1" -crop "$2" +repage -format "%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]" info:
}
# Prints why the shot $1 is not the seascape, or nothing: a sky bluer than
# grey at the top, rocks darker than the sky at the bottom, nothing of a
# compositor's grey or black left in any corner, and the clock (its default
# orange) on it for "clock", none of it for "noclock".
seascape_fault() {
  local shot="$1" w h sr sg sb rr rg rb clock corner
  read -r w h < <(identify -format "%w %h\n" "$shot" 2>/dev/null) || { echo "no picture"; return; }
  read -r sr sg sb < <(means "$shot" "${w}x$((h / 8))+0+0")
  read -r rr rg rb < <(means "$shot" "${w}x$((h / 20))+0+$((h - h / 10))")
  [ $((sb - sg)) -gt 20 ] || { echo "no sky at the top (mean $sr $sg $sb)"; return; }
  [ $((rr + rg + rb)) -lt $((sr + sg + sb)) ] || { echo "no rocks at the bottom (mean $rr $rg $rb)"; return; }
  # A part the saver did not draw shows the compositor's background: flat.
  for corner in "+0+0" "+$((w - 32))+0"; do
    [ "$(convert "$shot" -crop "32x32$corner" +repage -format "%[fx:int(1000*standard_deviation)]" info:)" -gt 0 ] ||
      { echo "a flat corner at $corner"; return; }
  done
  clock=$(pixels_of "$shot" ff8000)
  case "${2:-}" in
    clock) [ "$clock" -gt 200 ] || echo "no clock ($clock pixels of its colour)" ;;
    noclock) [ "$clock" -lt 20 ] || echo "a clock ($clock pixels of its colour)" ;;
  esac
}

# The saver the watcher $1 runs, if any: its child.
saver_of() { pgrep -P "$1" || true; }
# Types a key with the command given (the session may have been idle longer
# than the delay already, and a watcher then starts the saver at once),
# starts "velmo --idle --after $1" (its output in $WORK/watcher.err, its
# process id in WATCHER) and waits for the saver it starts once the session
# has been idle that long: at least that long after the key. The saver's
# process id in SAVER, once it shows. Fails when the saver comes early or
# not at all.
idle_watcher_starts() {
  local delay="$1" armed waited
  shift
  "$@" || fail "no key typed before the watcher"
  armed=$(now_ms)
  "$VELMO" --idle --after "$delay" 2>"$WORK/watcher.err" &
  WATCHER=$!
  PIDS+=("$WATCHER")
  wait_until "grep -qs 'starts after $delay seconds' '$WORK/watcher.err' || ! kill -0 $WATCHER 2>/dev/null" 20 &&
    kill -0 "$WATCHER" 2>/dev/null || fail "the watcher did not start: $(cat "$WORK/watcher.err")"
  wait_until '[ -n "$(saver_of "$WATCHER")" ]' $((delay + 30)) || fail "no saver after $delay idle seconds: $(cat "$WORK/watcher.err")"
  waited=$(($(now_ms) - armed))
  [ "$waited" -ge $((delay * 1000 - 1000)) ] || fail "the saver started ${waited} ms after the last key, before the delay"
  SAVER=$(saver_of "$WATCHER")
  wait_shown "$SAVER" 60 || fail "the saver the watcher started showed nothing: $(cat "$WORK/watcher.err")"
  IDLE_WAITED=$waited
}

# The endings every desktop's script checks, each typing its own way ($1:
# the command that types a key, with the key, as words; $2: the file its
# errors go to; $3: the key the idle watcher's wait types; $4: the idle
# source the watcher must name): a key ends the saver running as $pid with
# 0, SIGTERM ends another with 0, and the idle watcher starts one after 3 s
# that a key ends, and SIGTERM ends the watcher with 0.
desk_endings() {
  local -a key
  read -r -a key <<<"$1"
  "${key[@]}" || fail "no key typed: $(cat "$2")"
  wait_exit "$pid" 10 || fail "the saver did not end on a key"
  [ "$RC" = 0 ] || fail "the saver ended on a key with exit code $RC: $(cat "$WORK/saver.err")"

  "$VELMO" /s 2>"$WORK/term.err" &
  pid=$!
  PIDS+=("$pid")
  wait_shown "$pid" || fail "the saver showed nothing: $(cat "$WORK/term.err")"
  sigterm_ends "$pid" "the saver" 10 "$WORK/term.err"

  idle_watcher_starts 3 "${key[0]}" "$3"
  grep -q "($4" "$WORK/watcher.err" || fail "the watcher does not use $4: $(cat "$WORK/watcher.err")"
  "${key[@]}" || fail "no key typed: $(cat "$2")"
  wait_until "all_gone $SAVER" 10 || fail "the saver the watcher started did not end on a key"
  sigterm_ends "$WATCHER" "the watcher" 10 "$WORK/watcher.err"
}
