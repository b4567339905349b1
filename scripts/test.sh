#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: unit and pixel tests and
# the end-to-end tests of the real program, with the fuzz runs and the Debian
# package beside them.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
build="${VELMO_BUILD_DIR:-$here/build-test}"
VELMO_BUILD_DIR="$build" bash "$here/scripts/build.sh" -DVELMO_ASAN=ON -DCMAKE_BUILD_TYPE=Debug
cd "$build"
# The tests must never touch the user's own settings.
export XDG_CONFIG_HOME="$build/test-config"
mkdir -p "$XDG_CONFIG_HOME"
# The fuzz runs and the Debian package (a release build of its own, checked
# by lintian) fill the time the end-to-end tests spend waiting on servers and
# the program: niced, beside the tests, so that they take what the tests
# leave and the tests' waits are not lengthened by them.
side_log="$build/fuzz-and-package.log"
(
  set -e
  renice -n 15 -p "$BASHPID" >/dev/null
  # A short run of each fuzz target from its corpus in the tree, in its own
  # clang build.
  seconds="${VELMO_FUZZ_SECONDS:-20}"
  if [ "$seconds" != 0 ] && command -v clang++ >/dev/null; then
    bash "$here/scripts/fuzz.sh" "$seconds"
  fi
  bash "$here/scripts/package.sh"
) >"$side_log" 2>&1 </dev/null &
side=$!
tests=0
# One test more than cores: most end-to-end scripts wait on a server or the
# program for much of their time.
ctest --output-on-failure -j "$(($(nproc) + 1))" --timeout 300 || tests=$?
# The tests are done: what is left of the side work runs at the usual
# priority, or a busy machine would starve it (as root; others keep it niced).
side_pids() { local p; for p in $(pgrep -P "$1"); do echo "$p"; side_pids "$p"; done; }
renice -n 0 -p "$side" $(side_pids "$side") >/dev/null 2>&1 || true
side_rc=0
wait "$side" || side_rc=$?
cat "$side_log"
[ "$side_rc" = 0 ] || echo "the fuzz runs or the package failed ($side_rc): the log above, also in $side_log" >&2
[ "$tests" = 0 ] && [ "$side_rc" = 0 ]
