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

"$(dirname "$0")/ensure-packages.sh" "${packages[@]}"
