#!/usr/bin/env bash
# Prepares the Windows cross-build: installs Debian's MinGW-w64 compilers,
# Wine and the fonts the widget tests get under it when missing, builds
# GoogleTest for Windows from Debian's sources (/usr/src/googletest) and
# stages the header-only libraries the lister uses (CLI11, nlohmann/json), all
# in one prefix for cmake/toolchains/mingw-w64-x86_64.cmake.
# Does nothing that is done already.
#   tools/windows-deps.sh [prefix]     (default: build-mingw/deps)
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$(realpath -m "${1:-build-mingw/deps}")"

packages=(g++-mingw-w64-x86-64-posix wine wine64 libgtest-dev googletest libcli11-dev nlohmann-json3-dev cmake ninja-build fonts-dejavu-core)
tools/ensure-packages.sh "${packages[@]}"

# GoogleTest, static, for the toolchain's compiler; rebuilt only when Debian's
# sources change.
gtest_version="$(dpkg-query -W -f='${Version}' googletest)"
if [ "$(cat "$prefix/.gtest-version" 2>/dev/null)" != "$gtest_version" ]; then
  rm -rf "$prefix/gtest-build"
  cmake -S /usr/src/googletest -B "$prefix/gtest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$prefix/gtest-build" >/dev/null
  cmake --install "$prefix/gtest-build" >/dev/null
  echo "$gtest_version" >"$prefix/.gtest-version"
fi

# The header-only libraries: their headers beside GoogleTest's, and package
# configurations that point there rather than at the build machine's
# /usr/include, where the C library is glibc's.
mkdir -p "$prefix/include" "$prefix/lib/cmake/CLI11" "$prefix/lib/cmake/nlohmann_json"
ln -sfn /usr/include/CLI "$prefix/include/CLI"
ln -sfn /usr/include/nlohmann "$prefix/include/nlohmann"
header_only() { # package, target
  cat >"$prefix/lib/cmake/$1/$1Config.cmake" <<CONFIG
# Written by tools/windows-deps.sh: the headers staged in this prefix.
if(NOT TARGET $2)
  add_library($2 INTERFACE IMPORTED)
  set_target_properties($2 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "$prefix/include")
endif()
CONFIG
  printf 'set(PACKAGE_VERSION "%s")\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n' "$3" \
    >"$prefix/lib/cmake/$1/$1ConfigVersion.cmake"
}
header_only CLI11 CLI11::CLI11 "$(dpkg-query -W -f='${Version}' libcli11-dev | cut -d- -f1)"
header_only nlohmann_json nlohmann_json::nlohmann_json "$(dpkg-query -W -f='${Version}' nlohmann-json3-dev | cut -d- -f1)"
echo "windows-deps: $prefix"
