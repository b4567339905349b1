#!/usr/bin/env bash
# Sets everything up and runs the saver on the current display.
# Any arguments replace the default "/s" (for instance /c for the settings).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh"
if [ $# -eq 0 ]; then set -- /s; fi
exec "${VELMO_BUILD_DIR:-$here/build}/velmo" "$@"
