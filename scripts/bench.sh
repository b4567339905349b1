#!/bin/bash
# Runs the frame benchmarks at every screen size, each under a private Xvfb of
# that size (SDL's offscreen driver offers 1024 x 768 only), then the
# size-independent ones once, then the CPU the running saver and its X server
# use (scripts/cpu.sh). Usage: scripts/bench.sh [build dir] [extra benchmark args]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${VELMO_BUILD_DIR:-$here/build}}"
shift || true
bench="$build/bench/velmo_bench"
[ -x "$bench" ] || { echo "no benchmark binary at $bench (build first)" >&2; exit 1; }
export SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$(mktemp -d)"
xvfb=
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$XDG_CONFIG_HOME"' EXIT

for size in 800x600 1024x768 1920x1080 2560x1440 3840x2160; do
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset 9>"$XDG_CONFIG_HOME/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$XDG_CONFIG_HOME/display" ] && break; sleep 0.05; done
  n=$(head -n 1 "$XDG_CONFIG_HOME/display")
  rm -f "$XDG_CONFIG_HOME/display"
  w=${size%x*} h=${size#*x}
  DISPLAY=":$n" SDL_VIDEODRIVER=x11 "$bench" --benchmark_filter="/w:$w/h:$h/" "$@"
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
  xvfb=
done
"$bench" --benchmark_filter='^BM_(DDtimer|ClearAndPresent|PresentUnchanged|Memcpy[^F]|Sky|Keyed)' "$@" || true
# The running program as a person runs it: its CPU and the X server's, and
# the allocations it makes while running.
bash "$here/scripts/cpu.sh" "$build" 5
