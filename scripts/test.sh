#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: unit and pixel tests and
# the end-to-end tests of the real program, with the Debian package and the
# fuzz runs beside them.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
build="${VELMO_BUILD_DIR:-$here/build-test}"
mkdir -p "$build"
# The Debian package (a release build of its own, checked by lintian) and
# then the fuzz runs go beside everything else: at the usual priority while
# the sanitizer build compiles, where the two builds only share the cores,
# then niced while the tests run, so that they take what the tests leave
# and the tests' waits are not lengthened by them.
side_log="$build/package-and-fuzz.log"
(
  set -e
  bash "$here/scripts/package.sh"
  # A short run of each fuzz target from its corpus in the tree, in its own
  # clang build.
  seconds="${VELMO_FUZZ_SECONDS:-20}"
  if [ "$seconds" != 0 ] && command -v clang++ >/dev/null; then
    bash "$here/scripts/fuzz.sh" "$seconds"
  fi
) >"$side_log" 2>&1 </dev/null &
side=$!
# renice_side N: the side work and every process it has started so far (those
# it starts later inherit their parent's priority).
side_pids() { local p; for p in $(pgrep -P "$1"); do echo "$p"; side_pids "$p"; done; }
renice_side() { renice -n "$1" -p "$side" $(side_pids "$side") >/dev/null 2>&1 || true; }
build_rc=0
VELMO_BUILD_DIR="$build" bash "$here/scripts/build.sh" -DVELMO_ASAN=ON -DCMAKE_BUILD_TYPE=Debug || build_rc=$?
if [ "$build_rc" != 0 ]; then
  kill -- $(side_pids "$side") "$side" 2>/dev/null || true
  exit "$build_rc"
fi
cd "$build"
# The tests must never touch the user's own settings.
export XDG_CONFIG_HOME="$build/test-config"
mkdir -p "$XDG_CONFIG_HOME"
renice_side 15
tests=0
# One test more than cores: most end-to-end scripts wait on a server or the
# program for much of their time.
ctest --output-on-failure -j "$(($(nproc) + 1))" --timeout 300 || tests=$?
# The tests are done: what is left of the side work runs at the usual
# priority again, or a busy machine would starve it (as root; others keep it
# niced).
renice_side 0
side_rc=0
wait "$side" || side_rc=$?
cat "$side_log"
[ "$side_rc" = 0 ] || echo "the package or the fuzz runs failed ($side_rc): the log above, also in $side_log" >&2
[ "$tests" = 0 ] && [ "$side_rc" = 0 ]
