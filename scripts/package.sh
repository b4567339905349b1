#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Debian source package and its two binary packages, velmo (the
# saver) and velmo-setup (its settings dialog), with dpkg-buildpackage over
# debian/ in a clean copy of the tree's files in build-package/ (or
# $VELMO_PACKAGE_DIR), after installing what that needs (scripts/setup.sh
# package), and checks them: no warning in the build, the files each
# installs, their relations, the AppStream metadata, and lintian with every
# tag shown (-I --pedantic), of which only those overridden with a reason in
# debian/*.lintian-overrides may remain. A release build of the two programs
# only: the tests are the test command's.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMO_PACKAGE_DIR:-$here/build-package}"
bash "$here/scripts/setup.sh" package

fault() {
  echo "package.sh: $*" >&2
  exit 1
}

# The tree's own files (committed or not, none it ignores), as a clean clone
# has them; dpkg-buildpackage puts what it makes beside the source.
version=$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)
source="$build/velmo-$version"
rm -rf "$build" && mkdir -p "$source"
(cd "$here" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] || [ -L "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf -) | tar -C "$source" -xf -
log="$build/build.log"
# Ninja's own default number of jobs, which debhelper needs told.
(cd "$source" && DEB_BUILD_OPTIONS="nocheck parallel=$(($(nproc) + 2))" dpkg-buildpackage -us -uc >"$log" 2>&1) ||
  { tail -60 "$log" >&2; fault "dpkg-buildpackage failed (the whole log: $log)"; }
# The compilers stop on a warning (-Werror); any other tool's warning
# (dpkg-shlibdeps, CMake, the linker) fails here.
if grep -iE '(^|[^-])warning[: ]' "$log" >&2; then fault "the package build printed warnings (above; $log)"; fi
saver=$(ls "$build"/velmo_"$version"_*.deb)
setup=$(ls "$build"/velmo-setup_"$version"_*.deb)
changes=$(ls "$build"/velmo_"$version"_*.changes)

# has DEB PATH...: the package holds every path given.
has() {
  local deb=$1 contents missing=() path
  shift
  contents=$(dpkg-deb -c "$deb")
  for path in "$@"; do
    grep -qF " $path" <<<"$contents" || missing+=("$path")
  done
  ((${#missing[@]} == 0)) || { echo "$contents" >&2; fault "$(basename "$deb") lacks: ${missing[*]}"; }
}
has "$saver" ./usr/bin/velmo ./usr/libexec/velmo/velmo-idle "./usr/libexec/xscreensaver/velmo -> ../../bin/velmo" \
  ./usr/share/xscreensaver/config/velmo.xml ./usr/share/man/man6/velmo.6.gz \
  ./usr/share/doc/velmo/copyright ./usr/share/doc/velmo/changelog.gz
has "$setup" ./usr/libexec/velmo/velmo-setup ./usr/share/applications/velmo-settings.desktop \
  ./usr/share/icons/hicolor/64x64/apps/velmo.png ./usr/share/doc/velmo-setup/copyright \
  ./usr/share/doc/velmo-setup/changelog.gz ./usr/share/metainfo/org.corvane.velmo.metainfo.xml
! dpkg-deb -c "$saver" | grep -q velmo-setup || fault "the saver's package holds the dialog"

field() { dpkg-deb -f "$1" "$2"; }
# The saver: its libraries found by dpkg-shlibdeps, none of Qt; the dialog
# recommended.
field "$saver" Depends | grep -q libsdl2 || fault "no library dependencies found"
field "$saver" Depends | grep -q libxss1 || fault "the idle watcher's libXss is not among the dependencies"
! field "$saver" Depends | grep -qi qt || fault "the saver depends on Qt: $(field "$saver" Depends)"
field "$saver" Recommends | grep -qw velmo-setup || fault "the saver does not recommend velmo-setup"
# The dialog: the saver at its own version (the menu entry runs velmo /c);
# Wayland's Qt plugin recommended, never required: an X11 desktop does
# without it.
version=$(field "$saver" Version)
field "$setup" Depends | grep -qF "velmo (= $version)" || fault "velmo-setup does not depend on velmo (= $version)"
field "$setup" Depends | grep -q libqt6widgets6 || fault "velmo-setup does not depend on Qt 6 Widgets"
! field "$setup" Depends | grep -q qt6-wayland || fault "velmo-setup depends on qt6-wayland"
field "$setup" Recommends | grep -q qt6-wayland || fault "velmo-setup does not recommend qt6-wayland"
for deb in "$saver" "$setup"; do
  # The licence is named, and the maintainer is no placeholder.
  name=$(field "$deb" Package)
  # Read whole first: grep -q leaving early would end tar with SIGPIPE, a
  # failure under pipefail.
  grep -q '^License: Expat$' <<<"$(dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/share/doc/$name/copyright")" ||
    fault "the copyright file of $name names no licence"
  ! field "$deb" Maintainer | grep -qE '\.(example|invalid|test|localhost)>|example\.(org|com|net)>' ||
    fault "the maintainer of $name is a placeholder: $(field "$deb" Maintainer)"
done

# Installed by dpkg into a root of their own (the libraries they depend on
# are the system's, so dependencies are not checked there): the two
# packages share no file, velmo /c becomes the dialog of velmo-setup (which,
# without a display, says it needs one), and once velmo-setup is removed it
# names the package to install and fails.
root="$build/dpkg-root"
rm -rf "$root" && mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" && : >"$root/var/lib/dpkg/status"
rootdpkg() { dpkg --root="$root" --force-depends --force-not-root --log=/dev/null "$@" >"$build/dpkg.log" 2>&1; }
rootdpkg -i "$saver" "$setup" || { cat "$build/dpkg.log" >&2; fault "dpkg did not install both packages"; }
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/velmo" /c 2>&1) && rc=0 || rc=$?
grep -q "the settings need a display" <<<"$out" || fault "velmo /c of the packages did not reach velmo-setup ($rc): $out"
rootdpkg -r velmo-setup || { cat "$build/dpkg.log" >&2; fault "dpkg did not remove velmo-setup"; }
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/velmo" /c 2>&1) && rc=0 || rc=$?
[ "$rc" = 2 ] && grep -q "package velmo-setup" <<<"$out" ||
  fault "velmo /c without velmo-setup ended with $rc, saying: $out"
rm -rf "$root"

# What the files take on disk is what the package says (a link is no copy).
for deb in "$saver" "$setup"; do
  # dpkg's rule: each file's size in whole KiB, 1 KiB for anything else.
  kib=$(dpkg-deb --fsys-tarfile "$deb" | tar -t -v --numeric-owner |
    awk '{ n += $1 ~ /^-/ ? int(($3 + 1023) / 1024) : 1 } END { print n }')
  said=$(field "$deb" Installed-Size)
  ((said >= kib - 4 && said <= kib + 4)) || fault "$(basename "$deb") says Installed-Size $said KiB for $kib KiB"
done
# The software centres' metadata, as installed.
dpkg-deb --fsys-tarfile "$setup" | tar -xO ./usr/share/metainfo/org.corvane.velmo.metainfo.xml >"$build/metainfo.xml"
appstreamcli validate --pedantic --no-net "$build/metainfo.xml" >"$build/appstream.log" 2>&1 ||
  { cat "$build/appstream.log" >&2; fault "the AppStream metadata does not validate"; }
# Every tag lintian knows, the informational and pedantic ones too, of the
# source package and both binary ones.
lintian -I --pedantic --fail-on error,warning,info,pedantic --tag-display-limit 0 "$changes" ||
  fault "lintian reports tags (fix them, or override them with a reason in debian/)"
# What they bring onto a minimal system (apt's simulation): the saver alone
# stays light.
VELMO_PACKAGE_DIR="$build" bash "$here/scripts/package_weight.sh" && rc=0 || rc=$?
[ "$rc" = 0 ] || [ "$rc" = 77 ] || fault "the saver's package is too heavy"
echo "Debian packages: $saver $setup"
