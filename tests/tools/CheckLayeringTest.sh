#!/usr/bin/env bash
# The layering check passes on a copy of the tree and fails, naming the line,
# on each include planted in it against the layers.
#   CheckLayeringTest.sh SOURCE_DIR
set -euo pipefail
source_dir="$1"
copy="$(mktemp -d)"
trap 'rm -rf "$copy"' EXIT
(cd "$source_dir" && git ls-files --cached --others --exclude-standard -z '*.cpp' '*.h' 'tools/*.sh' |
  xargs -0 cp --parents -t "$copy" 2>/dev/null || true)

failures=0
# Runs the check on the copy; expect "pass" or a line the output must hold.
expect() {
  local what="$1" output status=0
  output="$("$copy/tools/check-layering.sh" "$copy" 2>&1)" || status=$?
  if [ "$what" = pass ]; then
    [ "$status" -eq 0 ] && return
    echo "the untouched copy fails the check:"
  else
    [ "$status" -eq 1 ] && grep -qF -- "$what" <<<"$output" && return
    echo "expected a failure naming: $what (exit status $status)"
  fi
  echo "$output"
  failures=$((failures + 1))
}
# Adds an include to a file for one check, then takes it out again.
plant() {
  local file="$1" include="$2" what="$3"
  mkdir -p "$(dirname "$copy/$file")"
  [ -f "$copy/$file" ] && cp "$copy/$file" "$copy/$file.orig"
  printf '#include %s\n' "$include" >>"$copy/$file"
  expect "$what"
  if [ -f "$copy/$file.orig" ]; then mv "$copy/$file.orig" "$copy/$file"; else rm -f "$copy/$file"; fi
}

expect pass
line() { echo $(($(wc -l <"$copy/$1") + 1)); }
plant catalog/CategoryScan.cpp '"search_page/CDlg.h"' \
  "catalog/CategoryScan.cpp:$(line catalog/CategoryScan.cpp): catalog/ may not include search_page/"
plant platform/CFile.cpp '"../settings/AppGlobals.h"' "platform/CFile.cpp:$(line platform/CFile.cpp): platform/ may not include settings/"
plant platform/ui/CTabCtrl.h '"../../app/CClipscoutApp.h"' "platform/ui/ may not include app/"
plant res/StringTable.cpp '"search_page/MyListCtrl.h"' "res/ may not include search_page/"
plant settings/AppGlobals.cpp '<QPushButton>' "the core includes the Qt Widgets header <QPushButton>"
plant tools/ProgressLine.cpp '"tree_sheet/CTreeSheet.h"' "tools/ may not include tree_sheet/"
plant bench/ScanBench.cpp '"app/CClipscoutApp.h"' "bench/ may not include app/"
plant widgets/Extra.h '<string>' "widgets/Extra.h: its folder has no rule"
expect pass

[ "$failures" -eq 0 ] || { echo "$failures case(s) went wrong" >&2; exit 1; }
echo "the check failed on every planted include and passed on the tree"
