#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qt6-base source package with
# Debian's MinGW-w64, the build machine's Qt serving as host tools, and
# installs it into a cache folder outside the tree. Does nothing when that
# cache is complete for this source version and configuration.
#   tools/build-qt-windows.sh [prefix]   (default: ~/.cache/clipscout/qt6-windows)
# The source is fetched with apt's own state kept in the cache (a deb-src
# entry for the suites the machine already uses), so the machine's apt
# configuration is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$(realpath -m "${1:-${XDG_CACHE_HOME:-$HOME/.cache}/clipscout/qt6-windows}")"
work="$prefix-work"
jobs="${CLIPSCOUT_JOBS:-$(nproc)}"

host_version="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)"
packages=(g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools dpkg-dev cmake ninja-build perl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  host_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
fi

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
src="$work/src"
if [ ! -f "$src/.fetched" ] || [ "$(cat "$src/.fetched")" != "$host_version" ]; then
  rm -rf "$src"
  mkdir -p "$src" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
  suites="$(sed -nE 's/^Suites:\s*//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "${suites:-bookworm bookworm-updates}" >"$work/apt/src.sources"
  apt_private=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/apt/parts"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o "Debug::NoLocking=1")
  mkdir -p "$work/apt/parts"
  mv "$work/apt/src.sources" "$work/apt/parts/src.sources"
  apt-get "${apt_private[@]}" update >/dev/null
  (cd "$src" && apt-get "${apt_private[@]}" source --only-source "qt6-base=$host_version" >/dev/null)
  echo "$host_version" >"$src/.fetched"
fi
source_dir="$(find "$src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)"
[ -n "$source_dir" ] || { echo "qt-windows: no qt6-base source in $src" >&2; exit 1; }

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
