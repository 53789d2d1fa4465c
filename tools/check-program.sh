#!/usr/bin/env bash
# Drives the real program as a user would, by keys and clicks on a virtual
# display (Xvfb, openbox, xdotool): on a generated store, the first page lists
# the rows in the lister's order, Delete moves the current recording to the
# desktop's trash, Ctrl+Z brings it back, and Ctrl+Q ends the process.
#   tools/check-program.sh PROGRAM [SCREENSHOT_FOLDER]
# PROGRAM is clipscout, or clipscout.exe, which runs under Wine in a fresh
# prefix (where the Recycle Bin is the desktop's trash). Ends with the line
# "program check: N steps passed".
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "$1")"
shots="${2:+$(realpath -m "$2")}"
wine=""
case "$program" in *.exe) wine=wine ;; esac

if [ -z "${CLIPSCOUT_CHECK_DISPLAY:-}" ]; then
  for tool in xvfb-run openbox xdotool xclip import; do
    command -v "$tool" >/dev/null || { echo "check-program: $tool is needed" >&2; exit 1; }
  done
  exec env CLIPSCOUT_CHECK_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

work="$(mktemp -d)"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$wine" ] && wineserver -k 2>/dev/null || true
  kill "$wm" 2>/dev/null || true
  rm -rf "$work"
}
openbox >/dev/null 2>&1 &
wm=$!
trap cleanup EXIT

# Everything the program may touch is the run's own: settings, the trash,
# the runtime folder, and under Wine the prefix.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
if [ -n "$wine" ]; then
  export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot --init >/dev/null 2>&1
fi
tools/make-demo-store.sh "$work/rec" "$work/Viewdeck.ini" >/dev/null

steps=0
fail() {
  echo "check-program: $*" >&2
  [ -n "$shots" ] && mkdir -p "$shots" && import -window root "$shots/failed.png" 2>/dev/null || true
  exit 1
}
pass() {
  steps=$((steps + 1))
  echo "ok $steps: $*"
}
shot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  import -window root "$shots/$1.png"
}
# Waits up to $1 seconds for the command after it to succeed.
within() {
  local seconds="$1"
  shift
  for _ in $(seq $((seconds * 4))); do
    "$@" && return 0
    sleep 0.25
  done
  return 1
}

# Started from the store's folder: under Wine a Unix path in Viewdeck.ini is
# then a path on the current drive, Z:, which is the Unix root.
(cd "$work" && exec $wine "$program" --viewer-ini "$work/Viewdeck.ini" >"$work/program.log" 2>&1) &
pid=$!
window=""
find_window() { window="$(xdotool search --onlyvisible --name '^File Manager$' 2>/dev/null | head -n 1)" && [ -n "$window" ]; }
within 120 find_window || fail "no window came up"
pass "the window came up"

xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
eval "$(xdotool getwindowgeometry --shell "$window")"
# The selected rows' names, by Copy Path.
copy_names() { # to file
  xdotool key ctrl+c
  sleep 0.5
  { xclip -o -selection clipboard 2>/dev/null; echo; } | tr -d '\r' | sed -E 's#.*[/\\]##' | grep . >"$1"
}
copy_all() {
  # A click in the list below its rows (the template's list spans about 200
  # to 580 pixels from the window's top; the store's rows fill its upper half)
  # gives it the focus without choosing a row; then all rows are selected.
  xdotool mousemove --window "$window" 300 520 click 1
  sleep 0.3
  xdotool key ctrl+a
  copy_names "$work/listed" && [ -s "$work/listed" ]
}
within 60 copy_all || fail "the list gave nothing to copy"
first_device="$(tr -d '\r' <"$work/Viewdeck.ini" | sed -nE 's/^LocalID=(.*)$/\1/p' | sort | head -n 1)"
build_lister="$(dirname "$program")/tools/clipscout-list"
lister="${CLIPSCOUT_LISTER:-$build_lister}"
"$lister" --viewer-ini "$work/Viewdeck.ini" --device "$first_device" --category sr |
  cut -f1 >"$work/expected"
[ -s "$work/expected" ] || fail "the lister listed nothing for $first_device"
cmp -s "$work/listed" "$work/expected" ||
  { diff "$work/expected" "$work/listed" >&2 || true; fail "the window's rows are not the lister's"; }
pass "$(wc -l <"$work/listed") rows in the lister's order"
shot window

# Down and Up leave the first row alone selected and current.
xdotool key Down Up
copy_names "$work/selected"
victim="$(cat "$work/selected")"
[ "$victim" = "$(head -n 1 "$work/expected")" ] || fail "Down, Up selected '$victim', not the first row"
stored="$work/rec/$first_device/Recording/$victim"
[ -f "$stored" ] || fail "no $stored"
xdotool key Delete
# Found by the trash's record of it: the Windows program recycles a file under
# a private name, and its record names the file's own path.
trashed() { [ ! -e "$stored" ] && grep -rqs --include="*.trashinfo" -- "^Path=.*/$victim\$" "$XDG_DATA_HOME/Trash/info"; }
within 30 trashed || fail "Delete did not move $victim to the trash"
pass "Delete moved $victim to the trash"
shot deleted

xdotool key ctrl+z
within 30 test -f "$stored" || fail "Ctrl+Z did not bring $victim back"
pass "Ctrl+Z brought $victim back"

xdotool key ctrl+q || true
gone() { ! kill -0 "$pid" 2>/dev/null; }
within 30 gone || fail "Ctrl+Q did not end the program"
pid=""
pass "Ctrl+Q ended the program"
echo "program check: $steps steps passed"
