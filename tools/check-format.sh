#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what clang-format makes of it
# with the tree's .clang-format; prints the files that do.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted (run clang-format -i on them):\n' >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
