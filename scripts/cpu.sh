#!/bin/bash
# CPU and memory of the running saver as a person runs it: the real program
# on a first run (no settings yet: seven gulls, the clock, the frame-rate
# text, the surf through SDL's dummy sound device, full brightness) under a
# private Xvfb of each size, beside xscreensaver's cheapest hack, popsquares
# (-root), on the same server in the same run, taking turns (velmo, peer,
# velmo, peer ...) so that the load of this shared machine falls on both;
# and the saver as a daemon runs it, in a full-screen window of another
# client (XSCREENSAVER_WINDOW), where its loop waits on the X connection.
# Prints the share of one core used by the program and by the X server over
# a few seconds after start-up, and the program's resident memory (VmRSS) at
# 10 s and, for the saver's first turn, at VELMO_RSS_AFTER s, so that growth
# shows, and how often a second its threads went to sleep (voluntary
# context switches: each is a wake-up later). VELMO_CPU_PEERS adds other hacks (e.g. "popsquares binaryhorizon").
# Then, where the dummy-driver Xorg runs (root), the saver on one 1920 x 1080
# monitor and on two, in turns; and, where heaptrack is installed, the
# allocations the running saver makes in ten seconds (a run of 16 s less a
# run of 6 s, so start-up cancels out).
# Usage: scripts/cpu.sh [build dir] [seconds] [sizes...]
# Environment: VELMO_CPU_ROUNDS (turns per program, default 2),
# VELMO_RSS_AFTER (default 30), VELMO_CPU_PEERS (default popsquares).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${VELMO_BUILD_DIR:-$here/build}}"
seconds="${2:-8}"
shift 2 2>/dev/null || shift $# 2>/dev/null || true
sizes=("$@")
((${#sizes[@]})) || sizes=(1920x1080 3840x2160)
velmo="$build/velmo"
[ -x "$velmo" ] || { echo "no program at $velmo (build first)" >&2; exit 1; }
work="$(mktemp -d)"
export SDL_AUDIODRIVER=dummy
rss_after="${VELMO_RSS_AFTER:-30}"
rounds="${VELMO_CPU_ROUNDS:-2}"
read -r -a peers <<<"${VELMO_CPU_PEERS:-popsquares}"
unset XSCREENSAVER_WINDOW
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
ticks=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks.
cpu_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Voluntary context switches of all threads of a process.
wakes_of() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches:/ { n += $2 } END { print n + 0 }'; }
# Resident memory of a process, in MB.
rss_of() { awk '/^VmRSS:/ { printf "%.0f", $2 / 1024 }' "/proc/$1/status"; }

# One program on the server: CPU of it and of the server from 2 s after its
# start for $seconds, its memory at 10 s and at $late s (0: not read).
measure() {  # name server-pid late command...
  local name=$1 server=$2 late=$3
  shift 3
  # A first run every time: the settings the program writes are not kept.
  rm -rf "$work/config"
  XDG_CONFIG_HOME="$work/config" "$@" 2>"$work/err" &
  local prog=$!
  pids+=("$prog")
  sleep 2  # start-up and the first whole frames
  local s0 x0 w0 s1 x1 w1 early later=-
  s0=$(cpu_of "$prog") x0=$(cpu_of "$server") w0=$(wakes_of "$prog")
  sleep "$seconds"
  s1=$(cpu_of "$prog") x1=$(cpu_of "$server") w1=$(wakes_of "$prog")
  sleep $((10 - 2 - seconds > 0 ? 10 - 2 - seconds : 0))
  early=$(rss_of "$prog")
  if ((late > 10)); then
    sleep $((late - (seconds + 2 > 10 ? seconds + 2 : 10)))
    later=$(rss_of "$prog")
  fi
  kill "$prog"
  wait "$prog" 2>/dev/null || true
  awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v t="$ticks" -v d="$seconds" -v n="$name" -v e="$early" -v l="$later" \
    -v w=$((w1 - w0)) 'BEGIN { printf "%-28s %8.3f %8.3f %8.3f %8d %8s %8.0f\n", n, s / t / d, x / t / d, (s + x) / t / d, e, l, w / d }'
}

header() { printf '%-28s %8s %8s %8s %8s %8s %8s\n' program saver xserver total "MB@10s" "MB@late" "sleeps/s"; }

header
for size in "${sizes[@]}"; do
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset 9>"$work/display" 2>/dev/null &
  xvfb=$!
  pids+=("$xvfb")
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n 1 "$work/display")"
  for round in $(seq "$rounds"); do
    late=0
    ((round == 1)) && late=$rss_after
    measure "velmo $size" "$xvfb" "$late" "$velmo" /s
    # The daemon's window: a plain one of another client over the whole
    # screen, there only while the saver runs in it (it would hide the root).
    python3 "$here/tests/e2e/plain_window.py" host "${size%x*}" "${size#*x}" 0 0 >"$work/host" &
    host=$!
    pids+=("$host")
    for _ in $(seq 100); do [ -s "$work/host" ] && break; sleep 0.05; done
    measure "velmo hosted $size" "$xvfb" 0 env XSCREENSAVER_WINDOW="$(head -n 1 "$work/host")" "$velmo"
    kill "$host"
    wait "$host" 2>/dev/null || true
    rm -f "$work/host"
    for peer in "${peers[@]}"; do
      [ -x "/usr/libexec/xscreensaver/$peer" ] && measure "$peer $size" "$xvfb" 0 "/usr/libexec/xscreensaver/$peer" -root
    done
  done
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
  rm -f "$work/display"
done

# One monitor and two, on the dummy-driver Xorg (1920 x 1080 each): the
# saver's process and the server, in turns.
two_monitors() {
  command -v Xorg >/dev/null && [ "$(id -u)" = 0 ] || { echo "no dummy-driver Xorg here (root only): two monitors skipped"; return; }
  Xorg -displayfd 9 -config "$here/tests/e2e/xorg-dummy.conf" -noreset -nolisten tcp -seat seat1 \
    -logfile "$work/xorg.log" 9>"$work/display" >/dev/null 2>&1 &
  local xorg=$!
  pids+=("$xorg")
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "the dummy-driver Xorg did not start: two monitors skipped"; return; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  xrandr --addmode DUMMY1 1920x1080 2>/dev/null || true
  for round in $(seq "$rounds"); do
    xrandr --output DUMMY1 --off
    measure "velmo one 1920x1080" "$xorg" 0 "$velmo" /s
    xrandr --output DUMMY1 --mode 1920x1080 --right-of DUMMY0 || { echo "no second output: skipped"; break; }
    measure "velmo two 1920x1080" "$xorg" 0 "$velmo" /s
  done
  kill "$xorg"
  wait "$xorg" 2>/dev/null || true
  rm -f "$work/display"
}
two_monitors

command -v heaptrack >/dev/null || { echo "heaptrack not installed: allocation count skipped"; exit 0; }
Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp -noreset 9>"$work/display" 2>/dev/null &
xvfb=$!
pids+=("$xvfb")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$work/display")"
allocations_after() {  # seconds of running -> allocation calls of the whole run
  rm -rf "$work/config"
  XDG_CONFIG_HOME="$work/config" heaptrack -o "$work/heap$1" "$velmo" /s >/dev/null 2>&1 &
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
