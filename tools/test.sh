#!/usr/bin/env bash
# Builds everything and runs every test: the suite, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded tests under
# ThreadSanitizer, the fuzz targets, and the Windows build's tests under Wine.
# Works on a fresh Debian 12 machine.
#   FUZZ_SECONDS=n   seconds of fuzzing per target (default 60; 0 only replays)
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

# The number of tests ctest ran and passed, from its own closing line.
ran() {
  sed -nE 's/^100% tests passed, 0 tests failed out of ([0-9]+)$/\1/p' "$1" | grep . ||
    { echo "no passing ctest summary in $1" >&2; exit 1; }
}

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPSCOUT_WITH_UI=ON -DCLIPSCOUT_WERROR=ON
cmake --build build
(cd build && ctest --output-on-failure --no-tests=error --timeout 300) | tee build/ctest.log
suite=$(ran build/ctest.log)

echo "== layering"
tools/check-layering.sh

echo "== format"
tools/check-format.sh

echo "== clang-tidy"
tools/check-tidy.sh build

echo "== package"
rm -f build/clipscout_*.deb
(cd build && cpack -G DEB)
package=$(echo build/clipscout_*.deb)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "./$package"
packaged=0
check() { "$@"; packaged=$((packaged + 1)); }
check /usr/bin/clipscout-list --help >/dev/null
check env QT_QPA_PLATFORM=offscreen /usr/bin/clipscout --help >/dev/null
check appstreamcli validate --no-net /usr/share/metainfo/com.veltrane.Clipscout.metainfo.xml
check lintian --fail-on error "$package"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y clipscout

echo "== the program by real input"
tools/check-program.sh build/clipscout | tee build/check-program.log
real_input=$(sed -nE 's/^program check: ([0-9]+) steps passed$/\1/p' build/check-program.log | grep .)

echo "== build and test under ASan and UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCLIPSCOUT_SANITIZE=ON -DCLIPSCOUT_WITH_UI=ON -DCLIPSCOUT_WERROR=ON
cmake --build build-asan
(cd build-asan &&
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
  LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp":print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure --no-tests=error --timeout 600) | tee build-asan/ctest.log
sanitized=$(ran build-asan/ctest.log)

echo "== threaded work under ThreadSanitizer"
# Every test labelled "threaded": those whose code runs on several threads.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPSCOUT_TSAN=ON -DCLIPSCOUT_WITH_UI=ON -DCLIPSCOUT_WERROR=ON
cmake --build build-tsan
(cd build-tsan &&
  TSAN_OPTIONS=halt_on_error=1:die_after_fork=0:suppressions="$PWD/../tests/tsan.supp" \
  ctest --output-on-failure --no-tests=error --timeout 600 -L threaded) | tee build-tsan/ctest.log
threaded=$(ran build-tsan/ctest.log)

echo "== fuzzing"
tools/fuzz.sh "${FUZZ_SECONDS:-60}" | tee build/fuzz.log
targets=$(grep -c '^== .*: replayed ' build/fuzz.log)

echo "== Windows build and tests under Wine"
mkdir -p build-mingw
LINUX_BUILD=build tools/test-windows.sh build-mingw | tee build-mingw/test-windows.log
windows=$(sed -nE 's/^windows: ([0-9]+) passed, 0 failed.*$/\1/p' build-mingw/test-windows.log | grep .)

echo "== Windows window under Wine"
LINUX_BUILD=build tools/test-windows-window.sh build-mingw | tee build-mingw/test-windows-window.log
window=$(sed -nE 's/^windows window: ([0-9]+) passed, 0 failed.*$/\1/p' build-mingw/test-windows-window.log)
window=${window:-0}

# Every step above stops the script on a failure, so reaching here means all passed.
echo "suite $suite, package checks $packaged, real-input steps $real_input, under sanitizers $sanitized, under ThreadSanitizer $threaded, fuzz targets $targets, Windows under Wine $windows, Windows window under Wine $window"
echo "total: $((suite + packaged + real_input + sanitized + threaded + targets + windows + window)) passed, 0 failed"
