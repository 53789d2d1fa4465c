#!/usr/bin/env bash
# Runs clang-tidy with the tree's .clang-tidy over the tree's C++ sources, with
# the build's compile_commands.json (the build must have run: Qt's generated
# sources are included). Fails on any finding and prints them.
#   tools/check-tidy.sh [build dir] [file...]
# By default every file the build compiles: the core, the widgets, the
# program, the tools, the tests and the benchmarks. Each widget file pulls in
# Qt's headers, which the checks walk through: about 15 s of CPU a file.
#   TIDY_JOBS=n   files checked at once (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${1:-build}"
[ $# -gt 0 ] && shift
if [ ! -f "$build/compile_commands.json" ]; then
  echo "check-tidy: no $build/compile_commands.json; configure and build first" >&2
  exit 2
fi

# The tree's own sources, as the build compiles them: not what it generates.
mapfile -t compiled < <(sed -nE 's/^ *"file": "(.*)",?$/\1/p' "$build/compile_commands.json" |
  grep "^$root/" | grep -v "^$root/$build/" | sort -u)
if [ $# -gt 0 ]; then
  files=("$@")
else
  files=("${compiled[@]}")
fi

# Findings in the tree's headers count too, not in Qt's or the system's.
folders="app|bench|catalog|platform|preview|res|search_page|settings|tests|tools|tree_sheet"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
start=$SECONDS
status=0
printf '%s\n' "${files[@]}" |
  xargs -P "${TIDY_JOBS:-2}" -n 1 clang-tidy -p "$build" --quiet --header-filter="^$root/($folders)/" \
    >"$log" 2>&1 || status=$?
if [ $status -ne 0 ]; then
  grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^Error while processing' "$log" >&2 || true
  echo "check-tidy: findings above (.clang-tidy says which checks run)" >&2
  exit 1
fi
echo "tidy: ${#files[@]} files pass clang-tidy ($((SECONDS - start)) s)"
