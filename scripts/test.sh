#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: unit and pixel tests,
# then the end-to-end tests of the real program under Xvfb.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
build="${VELMO_BUILD_DIR:-$here/build-test}"
VELMO_BUILD_DIR="$build" bash "$here/scripts/build.sh" -DVELMO_ASAN=ON -DCMAKE_BUILD_TYPE=Debug
cd "$build"
# The tests must never touch the user's own settings.
export XDG_CONFIG_HOME="$build/test-config"
mkdir -p "$XDG_CONFIG_HOME"
ctest --output-on-failure -j "$(nproc)" --timeout 300
# A short run of each fuzz target from its corpus in the tree, in its own
# clang build.
seconds="${VELMO_FUZZ_SECONDS:-20}"
if [ "$seconds" != 0 ] && command -v clang++ >/dev/null; then
  bash "$here/scripts/fuzz.sh" "$seconds"
fi
# The Debian package, from a release build of its own, checked by lintian.
bash "$here/scripts/package.sh"
