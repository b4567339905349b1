#!/bin/bash
# What the idle watcher (velmo --idle) costs while it waits: it is started
# with a delay far beyond the run on a private Xvfb with a session bus of
# its own (the X server's idle counter; the watcher serving
# org.freedesktop.ScreenSaver), left alone for SECONDS, and measured from
# /proc: the CPU it used, how often a second its threads went to sleep
# (voluntary context switches: each is a wake-up later), and its resident
# memory (VmRSS), with its peak (VmHWM). Where sway is installed, the same
# under a headless sway (ext-idle-notify or KDE's idle protocol, no bus).
# Usage: scripts/idle_cost.sh [build dir] [seconds]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${VELMO_BUILD_DIR:-$here/build}}"
seconds="${2:-60}"
velmo="$build/velmo"
[ -x "$velmo" ] || { echo "no program at $velmo (build first)" >&2; exit 1; }
work="$(mktemp -d)"
chmod 711 "$work"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
ticks=$(getconf CLK_TCK)
export XDG_CONFIG_HOME="$work/config"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY DISPLAY

switches() {  # voluntary context switches of every thread of $1
  local sum=0 t n
  for t in /proc/"$1"/task/*; do
    n=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")
    sum=$((sum + n))
  done
  echo "$sum"
}
cpu_ticks() { awk '{print $14 + $15}' /proc/"$1"/stat; }
kb() { awk -v k="$2" '$1 == k":" {print $2}' /proc/"$1"/status; }

measure() {  # label pid
  local pid=$2 s0 c0 s1 c1
  sleep 3  # past its start
  s0=$(switches "$pid")
  c0=$(cpu_ticks "$pid")
  sleep "$seconds"
  s1=$(switches "$pid")
  c1=$(cpu_ticks "$pid")
  awk -v l="$1" -v s=$((s1 - s0)) -v c=$((c1 - c0)) -v t="$ticks" -v n="$seconds" -v r="$(kb "$pid" VmRSS)" \
    -v h="$(kb "$pid" VmHWM)" -v th="$(ls /proc/"$pid"/task | wc -l)" \
    'BEGIN { printf "%-22s %6.3f wake-ups/s  CPU %5.2f %% of a core  RSS %5.1f MB (peak %5.1f MB)  %d threads\n",
             l, s / n, 100 * c / t / n, r / 1024, h / 1024, th }'
}

# X11 without a desktop.
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$work/displayfd" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/displayfd")"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/bus" --nofork --nopidfile 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/bus" ] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus" "$velmo" --idle --after 7200 2>"$work/x11.err" &
pid=$!
pids+=("$pid")
measure "X11 (IDLETIME, bus)" "$pid"
kill "$pid"
unset DISPLAY

# sway, headless.
if command -v sway >/dev/null; then
  runtime=$(mktemp -d "$work/sway.XXXXXX")
  as_user=()
  if [ "$(id -u)" = 0 ]; then
    chown nobody:nogroup "$runtime"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  "${as_user[@]}" env -i HOME="$runtime" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_HEADLESS_OUTPUTS=1 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c /dev/null >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -n "$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*')" ] && break; sleep 0.1; done
  XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' | head -n 1) \
    "$velmo" --idle --after 7200 2>"$work/sway.err" &
  pid=$!
  pids+=("$pid")
  measure "sway (Wayland, no bus)" "$pid"
fi
