#!/usr/bin/env bash
# Checks that every include points down a layer: each folder may include only
# itself and the folders its rule names, and the core (platform/ outside
# platform/ui/, settings/, catalog/, preview/) names no Qt Widgets header. A C++
# file in a folder without a rule fails too, so a new folder needs one.
# Lists every offending include and fails if there is one.
#   tools/check-layering.sh [source dir]     (default: this tree)
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root"

# folder: the folders it may include besides itself. The longest folder that
# starts a path owns it (platform/ui/ before platform/).
declare -A may_include=(
  [platform]=""
  [platform/ui]="platform"
  [settings]="platform"
  [catalog]="platform settings"
  [preview]="platform settings catalog"
  [res]="platform/ui"
  [tree_sheet]="platform platform/ui res"
  [search_page]="platform platform/ui settings catalog preview res"
  [app]="platform platform/ui settings catalog preview res tree_sheet search_page"
  [tools]="platform settings catalog preview"
  [bench]="platform platform/ui settings catalog preview res tree_sheet search_page tests"
  [tests]="platform platform/ui settings catalog preview res tree_sheet search_page app tools"
)
core_folders=" platform settings catalog preview "

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

# The folder of the table that owns a path, in REPLY; empty for none.
folder_of() {
  local folder
  REPLY=""
  for folder in "${!may_include[@]}"; do
    if [[ $1 == "$folder"/* && ${#folder} -gt ${#REPLY} ]]; then
      REPLY="$folder"
    fi
  done
}

# A path with its "." and ".." pieces taken out, in REPLY.
normalize() {
  local piece
  local -a kept=()
  IFS=/ read -ra pieces <<<"$1"
  for piece in "${pieces[@]}"; do
    case "$piece" in
      "" | .) ;;
      ..) if [ ${#kept[@]} -gt 0 ] && [ "${kept[-1]}" != .. ]; then unset 'kept[-1]'; else kept+=(..); fi ;;
      *) kept+=("$piece") ;;
    esac
  done
  REPLY="$(IFS=/; printf '%s' "${kept[*]}")"
}

# The tree's path of an include, in REPLY: beside the including file, from the
# top of the tree, or from tests/ (the tests' and benchmarks' include folder);
# empty for a header from outside the tree. A path into one of the tree's
# folders names the tree even when the file is missing.
resolve() {
  local dir="$1" target="$2" candidate
  for candidate in "$dir/$target" "$target" "tests/$target"; do
    if [ -f "$candidate" ]; then
      normalize "$candidate"
      return
    fi
  done
  if [[ $target == ../* ]]; then
    normalize "$dir/$target"
    return
  fi
  folder_of "$target"
  [ -n "$REPLY" ] && REPLY="$target"
  return 0
}

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' | sort)
else
  mapfile -t files < <(find . -path './build*' -prune -o -path ./.git -prune -o -path ./demo -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' \) -printf '%P\n' | sort)
fi

violations=0
checked=0
for file in "${files[@]}"; do
  [ -f "$file" ] || continue
  folder_of "$file"
  folder="$REPLY"
  if [ -z "$folder" ]; then
    echo "$file: its folder has no rule in tools/check-layering.sh"
    violations=$((violations + 1))
    continue
  fi
  checked=$((checked + 1))
  allowed=" $folder ${may_include[$folder]} "
  core=false
  [[ $core_folders == *" $folder "* ]] && core=true
  while IFS=: read -r line target; do
    name="${target#QtWidgets/}"
    if $core && { [ "$target" = QtWidgets ] || [ "$target" != "$name" ] || [ -n "${widgets_header[$name]:-}" ]; }; then
      echo "$file:$line: the core includes the Qt Widgets header <$target>"
      violations=$((violations + 1))
      continue
    fi
    resolve "${file%/*}" "$target"
    [ -n "$REPLY" ] || continue
    folder_of "$REPLY"
    to="$REPLY"
    if [ -z "$to" ]; then
      echo "$file:$line: includes \"$target\", which lies in no folder of the layers"
      violations=$((violations + 1))
    elif [[ $allowed != *" $to "* ]]; then
      echo "$file:$line: $folder/ may not include $to/ (\"$target\")"
      violations=$((violations + 1))
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file" |
           sed -nE 's/^([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1:\2/p')
done

if [ "$violations" -gt 0 ]; then
  echo "check-layering: $violations include(s) against the layering" >&2
  exit 1
fi
echo "check-layering: the includes of $checked files point down the layers"
