#!/usr/bin/env bash
# Installs the Debian packages that the build, the program and the tests need,
# only those that are missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libcairo2-dev libjpeg62-turbo-dev
  libfontconfig-dev libx11-dev libxrandr-dev libxinerama-dev qt6-base-dev qt6-base-dev-tools qt6-wayland
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils openbox weston fonts-dejavu-core fonts-liberation2 python3
  libgl1-mesa-dri
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  clang libclang-rt-14-dev
  xscreensaver lintian
)
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
