#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format clang-tidy
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl1-mesa-dev libxkbcommon-dev libqt6svg6
  libglib2.0-dev shared-mime-info
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libseccomp-dev
  libcli11-dev nlohmann-json3-dev
  fonts-dejavu-core
  xvfb xauth imagemagick x11-utils desktop-file-utils openbox xdotool xclip
  mandoc
  clang libclang-rt-14-dev
  dpkg-dev file appstream lintian
  fuse3 libfuse3-dev
  dbus
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
