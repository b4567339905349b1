#!/bin/bash
# CPU and memory of the running saver on Wayland, as scripts/cpu.sh measures
# it on X11: the real program on a first run (seven gulls, the clock, the
# frame-rate text, the surf through SDL's dummy sound device) under sway's
# headless backend (pixman renderer, 60 Hz), on one 1920 x 1080 output, on
# two of one size (two 1920 x 1080 side by side: "2same") and on two of
# different sizes (1920 x 1080 and 1280 x 1024 beside it: "2"), and for comparison under an
# Xvfb of 1920 x 1080 (24-bit, no window manager, SDL's X11 driver), taking
# turns so that the load of this shared machine falls on all. Prints the
# share of one core used by the program and by the server (sway or Xvfb)
# over a few seconds once it runs (3 s after its first frame), and the program's resident memory
# (VmRSS) at the end. sway refuses root: it runs as
# nobody when this runs as root.
# Usage: scripts/cpu-sway.sh [build dir] [seconds]
# Environment: VELMO_CPU_ROUNDS (turns per layout, default 2),
# VELMO_CPU_LAYOUTS (default "x11 1 2same 2").
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${VELMO_BUILD_DIR:-$here/build}}"
seconds="${2:-8}"
velmo="$build/velmo"
[ -x "$velmo" ] || { echo "no program at $velmo (build first)" >&2; exit 1; }
command -v sway >/dev/null || { echo "sway is not installed (scripts/setup.sh installs it)" >&2; exit 1; }
rounds="${VELMO_CPU_ROUNDS:-2}"
work="$(mktemp -d)"
chmod 711 "$work"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
ticks=$(getconf CLK_TCK)
cpu_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_of() { awk '/^VmRSS:/ { printf "%.0f", $2 / 1024 }' "/proc/$1/status"; }
as_user=()
[ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

# Starts sway with $1 outputs (1, 2 or 2same) in a runtime directory of its
# own; sets SWAY and the client's environment.
start_sway() {
  local outputs="${1%same}" second=1280x1024 run
  [ "$1" = 2same ] && second=1920x1080
  run=$(mktemp -d "$work/run.XXXXXX")
  [ "$(id -u)" = 0 ] && chown nobody:nogroup "$run"
  printf 'output HEADLESS-1 mode 1920x1080 position 0 0\noutput HEADLESS-2 mode %s position 1920 0\n' "$second" \
    >"$run/config"
  chmod 644 "$run/config"
  "${as_user[@]}" env -i HOME="$run" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless \
    WLR_HEADLESS_OUTPUTS="$outputs" WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$run/config" >"$run/log" 2>&1 &
  SWAY=$!
  pids+=("$SWAY")
  for _ in $(seq 100); do
    socket=$(find "$run" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' | head -n 1)
    [ -n "$socket" ] && break
    sleep 0.1
  done
  [ -n "$socket" ] || { echo "sway did not start: $(tail -3 "$run/log")" >&2; exit 1; }
  export XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY="$socket"
}

# Starts Xvfb of 1920 x 1080; sets SWAY (the server measured) and DISPLAY.
start_xvfb() {
  rm -f "$work/display"
  Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp -noreset 9>"$work/display" 2>/dev/null &
  SWAY=$!
  pids+=("$SWAY")
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$work/display")"
  unset WAYLAND_DISPLAY
}

measure() {  # $1 = outputs, or x11; prints "saver server together rss"
  if [ "$1" = x11 ]; then
    start_xvfb
  else
    unset DISPLAY
    start_sway "$1"
  fi
  export XDG_CONFIG_HOME="$work/config-$RANDOM"
  : >"$work/ready"
  VELMO_READY_FD=9 "$velmo" /s 2>/dev/null 9>>"$work/ready" &
  local pid=$!
  pids+=("$pid")
  # From its first frame, and 3 s more for the other outputs' scenes to
  # start: what is measured is the saver running, not starting.
  for _ in $(seq 300); do
    [ -s "$work/ready" ] && break
    sleep 0.1
  done
  sleep 3
  local v0 s0 v1 s1
  v0=$(cpu_of "$pid")
  s0=$(cpu_of "$SWAY")
  sleep "$seconds"
  v1=$(cpu_of "$pid")
  s1=$(cpu_of "$SWAY")
  local rss
  rss=$(rss_of "$pid")
  kill "$pid" "$SWAY"
  wait "$pid" "$SWAY" 2>/dev/null || true
  awk -v v=$((v1 - v0)) -v s=$((s1 - s0)) -v t="$ticks" -v d="$seconds" -v r="$rss" \
    'BEGIN { printf "%.3f %.3f %.3f %s\n", v / t / d, s / t / d, (v + s) / t / d, r }'
}

echo "outputs saver server together resident-MB"
for ((round = 0; round < rounds; ++round)); do
  for outputs in ${VELMO_CPU_LAYOUTS:-x11 1 2same 2}; do
    echo "$outputs $(measure "$outputs")"
  done
done
