#!/usr/bin/env bash
# Checks that the layers include only downwards:
#  - the core (catalog/, preview/, platform/ outside platform/ui/, and the files of app/
#    that the widgets library and the program do not build) names no Qt Widgets
#    header;
#  - platform/ and tree_sheet/, which know nothing of this program, name no
#    header of app/ or search_page/.
# Lists every offending include and fails if there is one.
#   tools/check-layering.sh [build dir]     (default build/, configured with the widgets)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

ui_sources="$build/layering/ui-sources.txt"
if [ ! -f "$ui_sources" ]; then
  echo "check-layering: $ui_sources is missing; configure $build with CLIPSCOUT_WITH_UI=ON first" >&2
  exit 2
fi
widgets_dir="$(pkg-config --variable=includedir Qt6Widgets)/QtWidgets"
if [ ! -d "$widgets_dir" ]; then
  echo "check-layering: no Qt Widgets headers at $widgets_dir" >&2
  exit 2
fi

# Every header Qt Widgets installs, by the names code includes it by.
declare -A widgets_header=()
for header in "$widgets_dir"/*; do
  widgets_header[$(basename "$header")]=1
done

# app/ files built into the widgets library or the program; the rest of app/ is core.
declare -A app_ui=()
while IFS= read -r source; do
  source="${source#"$PWD/"}"
  [[ $source == app/* ]] && app_ui[$source]=1
done <"$ui_sources"

core_files=()
while IFS= read -r file; do
  case "$file" in
    platform/ui/*) ;;
    app/*) [ -n "${app_ui[$file]:-}" ] || core_files+=("$file") ;;
    *) core_files+=("$file") ;;
  esac
done < <(find catalog preview platform settings app -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

violations=0
for file in "${core_files[@]}"; do
  while IFS=: read -r line target; do
    name="${target#QtWidgets/}"
    if [ "$target" = QtWidgets ] || [ "$target" != "$name" ] || [ -n "${widgets_header[$name]:-}" ]; then
      echo "$file:$line: the core includes the Qt Widgets header <$target>"
      violations=$((violations + 1))
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file" |
           sed -nE 's/^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1:\2/p')
done

while IFS= read -r file; do
  while IFS=: read -r line target; do
    echo "$file:$line: a reusable layer includes the program's header \"$target\""
    violations=$((violations + 1))
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file" |
           sed -nE 's/^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]((\.\.\/)*(app|search_page)\/[^>"]+)[>"].*/\1:\2/p')
done < <(find platform tree_sheet -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$violations" -gt 0 ]; then
  echo "check-layering: $violations include(s) against the layering" >&2
  exit 1
fi
echo "check-layering: ${#core_files[@]} core files and the reusable layers include only downwards"
