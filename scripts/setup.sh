#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing:
#   setup.sh build     building the two programs (velmo and velmo-setup)
#   setup.sh run       that, and what they use at run time (scripts/run.sh)
#   setup.sh package   that, and what makes and checks the Debian packages
#                      (scripts/package.sh)
#   setup.sh [all]     everything: the tests, benchmarks and fuzzing too
set -euo pipefail
build=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libcairo2-dev libjpeg62-turbo-dev libx11-dev libxrandr-dev libxinerama-dev
  libwayland-dev wayland-protocols libwayland-bin libxkbcommon-dev librust-wayland-protocols-dev
  libsystemd-dev libxss-dev libxext-dev plasma-wayland-protocols
  qt6-base-dev qt6-base-dev-tools
  python3
)
run=(fonts-dejavu-core qt6-wayland)
# dpkg-buildpackage over debian/ (debhelper's dh with its CMake build
# system; dpkg-dev comes with build-essential), the Build-Depends named there
# that the build list lacks, lintian, and appstreamcli for the metadata.
package=(dpkg-dev debhelper libjpeg-dev pkgconf lintian appstream)
tests=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils openbox weston fonts-liberation2
  libgl1-mesa-dri libegl-mesa0
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  clang libclang-rt-14-dev
  xscreensaver
  sway swayidle grim wtype
  dbus-daemon python3-gi procps
  mutter kwin-wayland wayland-utils dbus-bin pipewire pipewire-bin wireplumber pipewire-alsa util-linux
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-pipewire
)
case "${1:-all}" in
  build) packages=("${build[@]}") ;;
  run) packages=("${build[@]}" "${run[@]}") ;;
  package) packages=("${build[@]}" "${package[@]}") ;;
  all) packages=("${build[@]}" "${run[@]}" "${package[@]}" "${tests[@]}") ;;
  *) echo "usage: setup.sh [build|run|package|all]" >&2; exit 1 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
