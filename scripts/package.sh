#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian package from a release build in build-package/ (or
# $VELMO_PACKAGE_DIR) and checks it: the files it installs, and no error
# from lintian (its warnings are shown). Extra arguments go to cmake.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMO_PACKAGE_DIR:-$here/build-package}"
# Debian's hardening flags, all of them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
VELMO_BUILD_DIR="$build" bash "$here/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DVELMO_ASAN=OFF \
  -DVELMO_TESTS=OFF -DVELMO_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@"
rm -f "$build"/velmo_*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log") || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/velmo_*.deb)

contents=$(dpkg-deb -c "$deb")
missing=()
for path in ./usr/bin/velmo "./usr/libexec/xscreensaver/velmo -> ../../bin/velmo" \
  ./usr/share/xscreensaver/config/velmo.xml ./usr/share/applications/velmo-settings.desktop \
  ./usr/share/icons/hicolor/64x64/apps/velmo.png ./usr/share/man/man6/velmo.6.gz \
  ./usr/share/doc/velmo/copyright ./usr/share/doc/velmo/changelog.gz; do
  grep -qF " $path" <<<"$contents" || missing+=("$path")
done
if ((${#missing[@]})); then
  echo "$contents" >&2
  echo "package.sh: the package lacks: ${missing[*]}" >&2
  exit 1
fi
dpkg-deb -f "$deb" Depends | grep -q libsdl2 || { echo "package.sh: no library dependencies found" >&2; exit 1; }
# Wayland's Qt plugin is recommended, never required: an X11 desktop does without it.
! dpkg-deb -f "$deb" Depends | grep -q qt6-wayland || { echo "package.sh: the package depends on qt6-wayland" >&2; exit 1; }
dpkg-deb -f "$deb" Recommends | grep -q qt6-wayland || { echo "package.sh: the package does not recommend qt6-wayland" >&2; exit 1; }
# The licence is named, and the maintainer is no placeholder.
copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/velmo/copyright)
grep -q '^License: Expat$' <<<"$copyright" || { echo "package.sh: the copyright file names no licence" >&2; exit 1; }
dpkg-deb -f "$deb" Maintainer | grep -qv 'example\.org' || { echo "package.sh: the maintainer is a placeholder" >&2; exit 1; }

if command -v lintian >/dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" || { echo "package.sh: lintian reports errors" >&2; exit 1; }
else
  echo "package.sh: lintian is not installed; the package was not checked by it" >&2
fi
echo "Debian package: $deb"
