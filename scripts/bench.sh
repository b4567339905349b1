#!/bin/bash
# Runs the frame benchmarks at every screen size, each under a private Xvfb of
# that size (SDL's offscreen driver offers 1024 x 768 only), then the
# size-independent ones once. Usage: scripts/bench.sh [build dir] [extra benchmark args]
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
  n=$(for i in $(seq 170 230); do [ -e "/tmp/.X$i-lock" ] || { echo "$i"; break; }; done)
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do xdpyinfo -display ":$n" >/dev/null 2>&1 && break; sleep 0.05; done
  w=${size%x*} h=${size#*x}
  DISPLAY=":$n" SDL_VIDEODRIVER=x11 "$bench" --benchmark_filter="/w:$w/h:$h/" "$@"
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
  xvfb=
done
"$bench" --benchmark_filter='^BM_(DDtimer|ClearAndPresent|Memcpy[^F]|Sky|Keyed)' "$@" || true
