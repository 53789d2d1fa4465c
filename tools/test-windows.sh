#!/usr/bin/env bash
# Cross-builds the GUI-free core, clipscout-list, the previews (where FFmpeg
# for Windows is built: tools/build-ffmpeg-windows.sh, or
# CLIPSCOUT_BUILD_FFMPEG_WINDOWS=1) and their tests for 64-bit Windows with
# Debian's MinGW-w64, runs the tests under Debian's Wine (in a
# fresh Wine prefix of the build folder, without a display), and compares the
# Windows lister with the Linux one on one generated store.
# Installs what it needs first (tools/windows-deps.sh).
#   tools/test-windows.sh [build folder]     (default: build-mingw)
# The Linux lister is taken from $LINUX_BUILD (default: build), and built
# there when missing. Ends with the line "windows: N passed, 0 failed".
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build-mingw}")"
linux_build="${LINUX_BUILD:-build}"
build="$out/win"

tools/windows-deps.sh "$out/deps"

# Previews need FFmpeg built for Windows: the cache's, built here only when
# asked, for it takes long.
ffmpeg="${CLIPSCOUT_FFMPEG_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/clipscout/ffmpeg-windows}"
if [ "${CLIPSCOUT_BUILD_FFMPEG_WINDOWS:-0}" = 1 ]; then
  tools/build-ffmpeg-windows.sh "$ffmpeg"
fi
if [ -f "$ffmpeg/.complete" ]; then
  preview=(-DCLIPSCOUT_WITH_PREVIEW=ON -DCLIPSCOUT_FFMPEG_WINDOWS="$ffmpeg")
else
  preview=(-DCLIPSCOUT_WITH_PREVIEW=OFF)
  echo "windows: previews skipped: no FFmpeg for Windows in $ffmpeg (CLIPSCOUT_BUILD_FFMPEG_WINDOWS=1 builds it)"
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DCLIPSCOUT_WINDOWS_DEPS="$out/deps" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPSCOUT_WERROR=ON "${preview[@]}" >/dev/null
cmake --build "$build"

# A Wine of its own: a fresh prefix, no display (so no window can wait for a
# click), no Mono or Gecko offered, and no debugging chatter. Its server is
# ended on the way out.
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot --init >/dev/null 2>&1

(cd "$build" && ctest --output-on-failure --no-tests=error --timeout 300 -j2) | tee "$build/ctest.log"
grep -qE '^100% tests passed, 0 tests failed out of [0-9]+$' "$build/ctest.log" ||
  { echo "no passing ctest summary in $build/ctest.log" >&2; exit 1; }
total=$(sed -nE 's/^100% tests passed, 0 tests failed out of ([0-9]+)$/\1/p' "$build/ctest.log")
skipped=$(grep -cE '^\s+[0-9]+ - .* \(Skipped\)$' "$build/ctest.log" || true)

echo "== the Windows and the Linux lister on one store"
linux_list="$linux_build/tools/clipscout-list"
if [ ! -x "$linux_list" ]; then
  cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPSCOUT_WERROR=ON >/dev/null
  cmake --build "$linux_build" --target clipscout-list
fi
store="$build/compare"
rm -rf "$store"
mkdir -p "$store"
tools/make-demo-store.sh "$store/rec" "$store/Viewdeck.ini" >/dev/null
# A snapshot's or an AVI clip's time is its file's creation: Linux reads the
# birth time, Wine the earlier of the modification and the status change. Each
# file is given its birth time (whole seconds) as its modification time, so
# that both read one time.
find "$store/rec" -type f -print0 | while IFS= read -r -d '' file; do
  born=$(stat -c %W "$file")
  if [ "$born" -gt 0 ]; then touch -m -d "@$born" "$file"; fi
done
# Both read the same Viewdeck.ini, whose Unix path names the store for Wine too
# (through its drive Z:), so that every path prints alike. Both in one zone.
compared=0
compare() { # what the run is called, then the lister's arguments
  local name="$1"
  shift
  local linux_status=0 windows_status=0
  TZ=UTC0 "$linux_list" --viewer-ini "$store/Viewdeck.ini" "$@" >"$store/$name.linux" 2>&1 || linux_status=$?
  TZ=UTC0 wine "$build/tools/clipscout-list.exe" --viewer-ini "$store/Viewdeck.ini" "$@" \
    >"$store/$name.windows" 2>&1 || windows_status=$?
  if [ "$linux_status" != "$windows_status" ] || ! cmp -s "$store/$name.linux" "$store/$name.windows"; then
    echo "the listers differ on $name ($*): exit $linux_status on Linux, $windows_status on Windows" >&2
    diff "$store/$name.linux" "$store/$name.windows" >&2 || true
    exit 1
  fi
  compared=$((compared + 1))
}
compare devices --list-devices
# To the end of the century: the store's snapshots and AVI clips are as old as
# their files, made this minute.
for category in sr ss ir md; do
  for format in tsv json; do
    compare "$category-$format" --all-devices --category "$category" --format "$format" --to 2099-12-31
  done
done
compare range --device Garage --category "Scheduled Recording" --from "$(date -d '-3 days' +%F)" --to "$(date +%F)"
compare inverted --device Garage --category sr --from 2026-12-07 --to 2026-12-01
compare unknown --device Nowhere --category sr
for listed in sr-tsv ss-tsv; do
  [ "$(wc -l <"$store/$listed.linux")" -gt 10 ] || { echo "the store gave too few rows to compare" >&2; exit 1; }
done
echo "listers: $compared runs alike"

echo "windows: $((total - skipped + compared)) passed, 0 failed, $skipped skipped"
