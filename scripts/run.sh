#!/usr/bin/env bash
# Sets up what the programs need, builds the saver and its settings dialog
# (nothing else: no tests, no benchmarks) and runs the saver on the current
# display. Any arguments replace the default "/s" (for instance /c for the
# settings).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh" run
build="${VELMO_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DVELMO_TESTS=OFF -DVELMO_BENCH=OFF >/dev/null
# The manual page and change log too, so that "cmake --install" finds them.
cmake --build "$build" --target velmo velmo-setup velmo_docs
if [ $# -eq 0 ]; then set -- /s; fi
exec "$build/velmo" "$@"
