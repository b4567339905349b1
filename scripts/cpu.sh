#!/bin/bash
# CPU and memory of the running saver as a person runs it: the real program
# under a private Xvfb of each size, every feature on (10 gulls, clock,
# frame-rate text, sound through SDL's dummy device, a brightness ramp of
# 200). Prints the share of one core used by the program and by the X server
# over a few seconds after start-up, and the program's resident memory (VmRSS)
# at 10 s and at 60 s after start, so that growth shows. A peer hack
# (xscreensaver's binaryhorizon, where installed) is measured the same way on
# the same server. Then, where heaptrack is installed, the allocations the
# running saver makes in ten seconds (a run of 16 s less a run of 6 s, so
# start-up cancels out).
# Usage: scripts/cpu.sh [build dir] [seconds] [sizes...]; VELMO_RSS_AFTER
# (default 60) sets the later memory reading.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${VELMO_BUILD_DIR:-$here/build}}"
seconds="${2:-5}"
shift 2 2>/dev/null || shift $# 2>/dev/null || true
sizes=("$@")
((${#sizes[@]})) || sizes=(1024x768 1920x1080 3840x2160)
velmo="$build/velmo"
[ -x "$velmo" ] || { echo "no program at $velmo (build first)" >&2; exit 1; }
work="$(mktemp -d)"
export SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$work/config"
rss_after="${VELMO_RSS_AFTER:-60}"
peer=/usr/libexec/xscreensaver/binaryhorizon
unset XSCREENSAVER_WINDOW
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
ticks=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks.
cpu_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Resident memory of a process, in MB.
rss_of() { awk '/^VmRSS:/ { printf "%.0f", $2 / 1024 }' "/proc/$1/status"; }

write_settings() {  # width height
  mkdir -p "$XDG_CONFIG_HOME/Corvane"
  {
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n'
    for kv in NumBirds=10 flag_clock=1 flag_PlaySound=1 flag_fps=1 TermMouse=0 Gamma=200 flag_defres=1 \
      ResHor="$1" ResVert="$2" ColorDepth=32 clockX=$(($1 - 90)) clockY=90 clockRad=70 ColorClock=33023 SetSpeed=1; do
      printf '"%s"=dword:%08x\n' "${kv%%=*}" "${kv#*=}"
    done
  } >"$XDG_CONFIG_HOME/Corvane/Velmo20.reg"
}

# One program on the server: CPU of it and of the server from 2 s after its
# start for $seconds, its memory at 10 s and at $rss_after s.
measure() {  # name xvfb-pid command...
  local name=$1 xvfb=$2
  shift 2
  "$@" 2>"$work/err" &
  local prog=$!
  pids+=("$prog")
  sleep 2  # start-up and the first whole frames
  local s0 x0 s1 x1 early late
  s0=$(cpu_of "$prog") x0=$(cpu_of "$xvfb")
  sleep "$seconds"
  s1=$(cpu_of "$prog") x1=$(cpu_of "$xvfb")
  sleep $((10 - 2 - seconds > 0 ? 10 - 2 - seconds : 0))
  early=$(rss_of "$prog")
  sleep $((rss_after - 10 > 0 ? rss_after - 10 : 0))
  late=$(rss_of "$prog")
  kill "$prog"
  wait "$prog" 2>/dev/null || true
  awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v t="$ticks" -v d="$seconds" -v n="$name" -v e="$early" -v l="$late" \
    'BEGIN { printf "%-24s %8.3f %8.3f %8.3f %8d %8d\n", n, s / t / d, x / t / d, (s + x) / t / d, e, l }'
}

printf '%-24s %8s %8s %8s %8s %8s\n' program saver xserver total "MB@10s" "MB@${rss_after}s"
for size in "${sizes[@]}"; do
  w=${size%x*} h=${size#*x}
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset 9>"$work/display" 2>/dev/null &
  xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n 1 "$work/display")"
  write_settings "$w" "$h"
  measure "velmo $size" "$xvfb" "$velmo" /s
  [ -x "$peer" ] && measure "binaryhorizon $size" "$xvfb" "$peer" -root
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
  rm -f "$work/display"
done

command -v heaptrack >/dev/null || { echo "heaptrack not installed: allocation count skipped"; exit 0; }
Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp -noreset 9>"$work/display" 2>/dev/null &
xvfb=$!
pids+=("$xvfb")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$work/display")"
write_settings 1920 1080
allocations_after() {  # seconds of running -> allocation calls of the whole run
  heaptrack -o "$work/heap$1" "$velmo" /s >/dev/null 2>&1 &
  local tracer=$!
  sleep "$1"
  # heaptrack runs the program as its child: that one ends, by its id.
  local child
  for child in $(pgrep -P "$tracer" -x "$(basename "$velmo")"); do kill -TERM "$child" 2>/dev/null || true; done
  wait "$tracer" 2>/dev/null || true
  heaptrack_print "$work/heap$1".* 2>/dev/null | sed -n 's/^calls to allocation functions: \([0-9]*\).*/\1/p'
}
short=$(allocations_after 6)
long=$(allocations_after 16)
echo "allocations in 10 s of running at 1920x1080: $((long - short)) (start-up and 6 s: $short)"
