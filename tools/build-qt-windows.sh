#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qt6-base source package with
# Debian's MinGW-w64, the build machine's Qt serving as host tools, and
# installs it into a cache folder outside the tree. Does nothing when that
# cache is complete for this source version and configuration.
#   tools/build-qt-windows.sh [prefix]   (default: ~/.cache/clipscout/qt6-windows)
# The source is fetched by tools/fetch-debian-source.sh, which leaves the
# machine's apt configuration as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$(realpath -m "${1:-${XDG_CACHE_HOME:-$HOME/.cache}/clipscout/qt6-windows}")"
work="$prefix-work"
jobs="${CLIPSCOUT_JOBS:-$(nproc)}"

packages=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools dpkg-dev cmake ninja-build perl)
tools/ensure-packages.sh "${packages[@]}"
host_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"

# What is left out: modules the program does not use, and what Debian's
# source cannot build for Windows (the tablet header is not in it). OpenGL
# stays, as dynamic OpenGL: the Windows platform plugin needs it.
config=(
  -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DINPUT_openssl=no
  -DFEATURE_testlib=ON -DFEATURE_opengl_dynamic=ON
)
stamp="qt6-base $host_version; ${config[*]}"
if [ -f "$prefix/.complete" ] && [ "$(cat "$prefix/.complete")" = "$stamp" ]; then
  echo "qt-windows: $prefix is complete"
  exit 0
fi

# The source of the same version as the host tools: a different one would not
# accept them.
source_dir="$(tools/fetch-debian-source.sh qt6-base "$work" "$host_version")"

rm -rf "$prefix"
cmake -S "$source_dir" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${config[@]}" >"$work/configure.log" 2>&1 ||
  { tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" --parallel "$jobs"
cmake --install "$work/build" >/dev/null
echo "$stamp" >"$prefix/.complete"
echo "qt-windows: installed in $prefix"
