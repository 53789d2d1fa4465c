#!/usr/bin/env bash
# The window on Windows: builds the whole program for 64-bit Windows with Qt
# and FFmpeg for Windows from their caches, runs the widget tests under Wine,
# zips the program (tools/package-windows.sh), and drives the unzipped program
# under Wine on a virtual display as a user would (tools/check-program.sh).
#   tools/test-windows-window.sh [build folder]     (default: build-mingw)
# Qt and FFmpeg for Windows take long to build: they are used when their
# caches are complete, and built first when CLIPSCOUT_BUILD_QT_WINDOWS=1.
# Otherwise the stage says on a line of its own that it was skipped and why.
# Ends with the line "windows window: N passed, 0 failed" (or "... skipped").
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build-mingw}")"
linux_build="${LINUX_BUILD:-build}"
build="$out/window"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/clipscout"
qt="${CLIPSCOUT_QT_WINDOWS:-$cache/qt6-windows}"
ffmpeg="${CLIPSCOUT_FFMPEG_WINDOWS:-$cache/ffmpeg-windows}"

if [ "${CLIPSCOUT_BUILD_QT_WINDOWS:-0}" = 1 ]; then
  tools/build-qt-windows.sh "$qt"
  tools/build-ffmpeg-windows.sh "$ffmpeg"
fi
missing=()
[ -f "$qt/.complete" ] || missing+=("Qt for Windows in $qt")
[ -f "$ffmpeg/.complete" ] || missing+=("FFmpeg for Windows in $ffmpeg")
if [ ${#missing[@]} -gt 0 ]; then
  printf -v why '%s and ' "${missing[@]}"
  echo "windows window: skipped: no ${why% and }; CLIPSCOUT_BUILD_QT_WINDOWS=1 builds them (about an hour)"
  exit 0
fi

tools/windows-deps.sh "$out/deps"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DCLIPSCOUT_WINDOWS_DEPS="$out/deps" -DCMAKE_PREFIX_PATH="$qt" -DCLIPSCOUT_WITH_UI=ON \
  -DCLIPSCOUT_WITH_PREVIEW=ON -DCLIPSCOUT_FFMPEG_WINDOWS="$ffmpeg" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPSCOUT_WERROR=ON >/dev/null
cmake --build "$build"

# The widget tests find Qt's and MinGW-w64's DLLs through Wine's PATH, and
# Qt's plugins beside its DLLs; no display, as for the core's tests.
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot --init >/dev/null 2>&1
(
  runtime=("$qt/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
  WINEPATH="$(for folder in "${runtime[@]}"; do winepath -w "$folder"; done | paste -sd';')"
  export WINEPATH
  unset DISPLAY WAYLAND_DISPLAY
  cd "$build" && ctest --output-on-failure --no-tests=error --timeout 300 -L window
) | tee "$build/ctest.log"
total=$(sed -nE 's/^100% tests passed, 0 tests failed out of ([0-9]+)$/\1/p' "$build/ctest.log" | grep .) ||
  { echo "no passing ctest summary in $build/ctest.log" >&2; exit 1; }
skipped=$(grep -cE '^\s+[0-9]+ - .* \(Skipped\)$' "$build/ctest.log" || true)
wineserver -k 2>/dev/null || true

echo "== the zip, unpacked and driven under Wine"
tools/package-windows.sh "$build" "$out" | tee "$build/package.log"
zip="$(sed -nE 's/^package-windows: (.*\.zip) .*$/\1/p' "$build/package.log")"
unpacked="$build/unpacked"
rm -rf "$unpacked"
mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked"
linux_list="$linux_build/tools/clipscout-list"
if [ ! -x "$linux_list" ]; then
  cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPSCOUT_WERROR=ON >/dev/null
  cmake --build "$linux_build" --target clipscout-list
fi
CLIPSCOUT_LISTER="$(realpath "$linux_list")" tools/check-program.sh "$unpacked"/*/clipscout.exe \
  "${CLIPSCOUT_SCREENSHOTS:-$build/screenshots}" | tee "$build/check-program.log"
steps=$(sed -nE 's/^program check: ([0-9]+) steps passed$/\1/p' "$build/check-program.log" | grep .)

echo "windows window: $((total - skipped + steps)) passed, 0 failed, $skipped skipped"
