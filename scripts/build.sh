#!/usr/bin/env bash
# Configures and builds everything, the tests and benchmarks included, into
# build/ (or $VELMO_BUILD_DIR); extra arguments go to cmake (and may turn
# the tests or benchmarks off again: -DVELMO_TESTS=OFF).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMO_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DVELMO_TESTS=ON -DVELMO_BENCH=ON "$@" >/dev/null
# Ninja's own number of jobs, two more than cores: a job waiting on the disk
# or the linker leaves no core idle, and on a machine busy with other work
# the build keeps its share.
cmake --build "$build"
