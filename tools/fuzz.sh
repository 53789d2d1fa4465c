#!/usr/bin/env bash
# Builds the libFuzzer targets with ASan and UBSan, replays the seed corpora and
# every input that ever failed, then fuzzes each target for a bounded time.
#   tools/fuzz.sh [seconds per target]      (default 60; 0 only replays)
# A failing input is written to tests/fuzz/regressions/<target>/ — commit it
# with the fix, so that every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCLIPSCOUT_FUZZ=ON -DCLIPSCOUT_WITH_UI=OFF -DCLIPSCOUT_WITH_TESTS=OFF >/dev/null
cmake --build build-fuzz

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shopt -s nullglob
binaries=(build-fuzz/tests/fuzz/Fuzz*)
if [ ${#binaries[@]} -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets were built in build-fuzz/tests/fuzz/" >&2
  exit 1
fi

for binary in "${binaries[@]}"; do
  name=$(basename "$binary")
  seeds=tests/fuzz/corpus/$name
  regressions=tests/fuzz/regressions/$name
  if [ -z "$(find "$seeds" -type f 2>/dev/null)" ]; then
    echo "fuzz.sh: $name has no seeds; add at least one input to $seeds/" >&2
    exit 1
  fi
  mkdir -p "$regressions" "$work/$name"
  cp -r "$seeds/." "$work/$name/"

  files=$(find "$seeds" "$regressions" -type f | sort)
  # shellcheck disable=SC2086
  "$binary" -runs=0 $files >"$work/$name.replay.log" 2>&1 || { cat "$work/$name.replay.log"; exit 1; }
  echo "== $name: replayed $(echo "$files" | wc -l) seeds and regressions"

  # libFuzzer takes 0 seconds to mean no limit.
  [ "$seconds" -gt 0 ] || continue
  echo "== $name: fuzzing for ${seconds}s"
  if ! "$binary" "$work/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -max_len=65536 -artifact_prefix="$regressions/" -print_final_stats=1 \
       >"$work/$name.log" 2>&1; then
    tail -n 60 "$work/$name.log"
    echo "$name failed; the input is in $regressions/" >&2
    exit 1
  fi
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$name.log" || true
done
