#!/usr/bin/env bash
# Fetches and unpacks one of Debian's source packages into a folder of its own,
# with apt's state kept there too (deb-src entries for the suites the machine
# already uses), so that the machine's apt configuration is left as it is.
# Prints the unpacked source folder. Fetches nothing when that folder holds the
# wanted version already.
#   tools/fetch-debian-source.sh PACKAGE WORK_FOLDER [VERSION]
# Without a VERSION, the newest the suites offer.
set -euo pipefail
package="$1"
work="$(realpath -m "$2")"
version="${3:-}"
src="$work/src"
apt_private=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/apt/parts"
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o "Debug::NoLocking=1")

wanted="${version:-newest}"
if [ ! -f "$src/.fetched" ] || [ "$(cat "$src/.fetched")" != "$package=$wanted" ]; then
  rm -rf "$src"
  mkdir -p "$src" "$work/apt/parts" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
  suites="$(sed -nE 's/^Suites:\s*//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
  suites="${suites:-bookworm bookworm-updates}"
  {
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\n' "$suites"
    printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n'
    # Security fixes come from their own archive.
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian-security\nSuites: %s-security\n' "${suites%% *}"
    printf 'Components: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
  } >"$work/apt/parts/src.sources"
  apt-get "${apt_private[@]}" update >"$work/apt/update.log" 2>&1 || { cat "$work/apt/update.log" >&2; exit 1; }
  (cd "$src" && apt-get "${apt_private[@]}" source --only-source "$package${version:+=$version}" >/dev/null 2>&1)
  echo "$package=$wanted" >"$src/.fetched"
fi
source_dir="$(find "$src" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)"
[ -n "$source_dir" ] || { echo "fetch-debian-source: no $package source in $src" >&2; exit 1; }
echo "$source_dir"
