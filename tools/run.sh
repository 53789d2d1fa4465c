#!/usr/bin/env bash
# Builds the program and starts it (installing what it needs on a fresh
# Debian 12 machine). Without a Viewdeck.ini beside the built program it first
# makes a demo recording store in demo/ and a Viewdeck.ini pointing at it.
# Without a display ($DISPLAY and $WAYLAND_DISPLAY unset) the program runs on
# a virtual X server: its window is saved as a screenshot, the path printed,
# and the program ended.
#   CLIPSCOUT_BUILD_DIR=dir   build there instead of in build/
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"

build="$(realpath -m "${CLIPSCOUT_BUILD_DIR:-build}")"

tools/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCLIPSCOUT_WITH_UI=ON
cmake --build "$build" --target clipscout

program="$build/clipscout"
if [ ! -e "$build/Viewdeck.ini" ]; then
  tools/make-demo-store.sh "$repo/demo/store" "$build/Viewdeck.ini"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
fi

shot="$repo/demo/clipscout-screenshot.png"
mkdir -p "$repo/demo"
# The virtual screen's copy keeps a runtime folder of its own, so that a copy
# running on the user's desktop is not taken for it.
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR="$runtime" xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  program=$1 shot=$2
  "$program" &
  pid=$!
  window=""
  for _ in $(seq 1 150); do
    window=$(xwininfo -root -tree 2>/dev/null | awk "/\"File Manager\"/ { print \$1; exit }")
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if [ -z "$window" ]; then
    echo "The program did not open its window." >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  sleep 1  # the first search and painting
  import -window "$window" "$shot"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
' bash "$program" "$shot"
echo "Screenshot of the program on the demo store: $shot"
