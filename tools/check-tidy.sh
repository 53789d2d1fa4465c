#!/usr/bin/env bash
# Runs clang-tidy with the tree's .clang-tidy over the tree's C++ sources, with
# the build's compile_commands.json (the build must have run: Qt's generated
# sources are included). Fails on any finding and prints them.
#   tools/check-tidy.sh [build dir] [file...]
# By default every file the build compiles: the core, the widgets, the
# program, the tools, the tests and the benchmarks. Each widget file pulls in
# Qt's headers, which the checks walk through: about 15 s of CPU a file.
#   TIDY_JOBS=n   files checked at once (default 2)
#   TIDY_CACHE=dir|off   where passes are kept (default ~/.cache/clipscout/tidy)
# A file passes without being checked again when it passed before with the
# same inputs: its bytes and those of every file it includes (as the Ninja
# build last found them), its compile command, .clang-tidy and clang-tidy's
# version. Any change to one of them checks it afresh; a finding is never
# kept, so the verdict is the full run's. A fresh clone has no cache and
# checks every file.
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

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One line per file: its cache key, then the file ("-" for no key).
cache="${TIDY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/clipscout/tidy}"
if [ "$cache" != off ] && [ -f "$build/.ninja_deps" ]; then
  mkdir -p "$cache"
  build_abs=$(cd "$build" && pwd)
  # Every object's inputs; an object whose list is stale has none.
  ninja -C "$build" -t deps | awk -v dir="$build_abs" '
    /^[^ ].*: #deps / { obj = $1; sub(/:$/, "", obj); ok = ($0 ~ /\(VALID\)$/); next }
    /^    / && ok { dep = $1; if (dep !~ /^\//) dep = dir "/" dep; print obj "\t" dep }' >"$work/deps"
  cut -f2 "$work/deps" | sort -u | tr '\n' '\0' | xargs -0 -r sha256sum >"$work/hashes" 2>/dev/null || true
  # The first compile command of each file, as clang-tidy takes it.
  awk '
    /^ *"command": / { command = $0; obj = ""; if (match($0, / -o [^ ]+/)) obj = substr($0, RSTART + 4, RLENGTH - 4) }
    /^ *"file": / { file = $0; sub(/^ *"file": "/, "", file); sub(/",?$/, "", file)
                    if (!(file in seen)) { seen[file] = 1; print file "\t" obj "\t" command } }' \
    "$build/compile_commands.json" >"$work/commands"
  tidy=$( (cat .clang-tidy; clang-tidy --version) | sha256sum | cut -d' ' -f1)
  printf '%s\n' "${files[@]}" | awk -F'\t' -v tidy="$tidy" '
    FILENAME == ARGV[1] { hash = $0; sub(/ .*/, "", hash); path = $0; sub(/^[^ ]+  /, "", path); h[path] = hash; next }
    FILENAME == ARGV[2] { inputs[$1] = inputs[$1] " " h[$2]; if (h[$2] == "") broken[$1] = 1; next }
    FILENAME == ARGV[3] { obj[$1] = $2; cmd[$1] = $3; next }
    { o = obj[$0]; if (o == "" || inputs[o] == "" || broken[o]) print "-\t" $0
      else print tidy "\t" cmd[$0] "\t" inputs[o] "\t" $0 }' "$work/hashes" "$work/deps" "$work/commands" - |
    while IFS= read -r line; do
      file=${line##*$'\t'}
      if [ "${line%%$'\t'*}" = - ]; then
        printf -- '-\t%s\n' "$file"
      else
        printf '%s\t%s\n' "$(printf '%s' "$line" | sha256sum | cut -d' ' -f1)" "$file"
      fi
    done >"$work/keys"
else
  printf -- '-\t%s\n' "${files[@]}" >"$work/keys"
fi

# Findings in the tree's headers count too, not in Qt's or the system's.
folders="app|bench|catalog|platform|preview|res|search_page|settings|tests|tools|tree_sheet"
kept=0
: >"$work/todo"
while IFS=$'\t' read -r key file; do
  if [ "$key" != - ] && [ -e "$cache/$key" ]; then
    kept=$((kept + 1))
  else
    printf '%s\t%s\n' "$key" "$file" >>"$work/todo"
  fi
done <"$work/keys"
checked=$(wc -l <"$work/todo")

start=$SECONDS
status=0
mkdir "$work/logs"
# Each file's findings apart, and its pass kept as soon as it passes.
tr '\t' '\n' <"$work/todo" |
  xargs -d '\n' -r -P "${TIDY_JOBS:-2}" -n 2 sh -c '
    log="$0/logs/$(printf %s "$5" | sha256sum | cut -c1-16)"
    clang-tidy -p "$1" --quiet --header-filter="$2" "$5" >"$log" 2>&1 || exit 1
    [ "$4" = - ] || touch "$3/$4"' "$work" "$build" "^$root/($folders)/" "$cache" ||
  status=$?
if [ $status -ne 0 ]; then
  cat "$work"/logs/* |
    grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^Error while processing' >&2 || true
  echo "check-tidy: findings above (.clang-tidy says which checks run)" >&2
  exit 1
fi
echo "tidy: ${#files[@]} files pass clang-tidy ($checked checked, $kept unchanged since they passed; $((SECONDS - start)) s)"
