#!/usr/bin/env bash
# Stress of the program's endings where a hang was once seen: a message box
# shown while other threads run. Runs "velmo /c" from a copy with no
# velmo-setup beside it (the settings program missing: an error box)
#   - N times without any display (no box may be tried: one line, exit 2),
#   - M times on a private Xvfb, the box answered with a key (exit 2),
# and counts the runs that did not end within 10 s. Meant for the sanitizer
# build (VELMO_BUILD_DIR=build-test scripts/build.sh -DVELMO_ASAN=ON ...),
# where the allocator's locks made a fork's child hang. Not part of the
# suite: it takes minutes.
#   scripts/stress_boxes.sh PATH/TO/velmo [N=1000] [M=300]
set -uo pipefail
velmo="$(readlink -f "$1")"
n="${2:-1000}" m="${3:-300}"
work="$(mktemp -d)"
trap 'kill "${xvfb:-}" 2>/dev/null; rm -rf "$work"' EXIT
cp "$velmo" "$work/velmo"
export XDG_CONFIG_HOME="$work/config" SDL_AUDIODRIVER=dummy
# Sanitizer builds: only our own leaks count, as in the end-to-end tests.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/e2e/lsan.supp"
hangs=0 wrong=0 t0=$(date +%s)
for ((i = 1; i <= n; i++)); do
  env -u DISPLAY -u WAYLAND_DISPLAY timeout -s KILL 10 "$work/velmo" /c 2>"$work/err"
  rc=$?
  if [ "$rc" = 137 ]; then hangs=$((hangs + 1)); echo "run $i without a display: no end within 10 s" >&2
  elif [ "$rc" != 2 ]; then wrong=$((wrong + 1)); echo "run $i without a display: exit $rc: $(head -2 "$work/err")" >&2; fi
done
echo "without a display: $n runs, $hangs hung, $wrong other exit codes, $(($(date +%s) - t0)) s"

Xvfb -displayfd 9 -screen 0 800x600x24 -nolisten tcp -noreset 9>"$work/displayfd" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/displayfd")"
box() { xwininfo -root -tree 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "velmo"' | awk '{print $1}' | head -n 1; }
bhangs=0 bwrong=0 t0=$(date +%s)
for ((i = 1; i <= m; i++)); do
  "$work/velmo" /c 2>/dev/null &
  pid=$!
  ended=""
  for ((t = 0; t < 200; t++)); do  # 10 s
    kill -0 "$pid" 2>/dev/null || { ended=1; break; }
    if id=$(box) && [ -n "$id" ]; then xdotool key --window "$id" Return 2>/dev/null; fi
    sleep 0.05
  done
  if [ -z "$ended" ]; then
    bhangs=$((bhangs + 1))
    echo "run $i with a display: no end within 10 s" >&2
    pkill -KILL -P "$pid" 2>/dev/null
    kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid"
  rc=$?
  [ -n "$ended" ] && [ "$rc" != 2 ] && { bwrong=$((bwrong + 1)); echo "run $i with a display: exit $rc" >&2; }
done
echo "with a display, the box answered by a key: $m runs, $bhangs hung, $bwrong other exit codes, $(($(date +%s) - t0)) s"
[ "$hangs$bhangs" = 00 ]
