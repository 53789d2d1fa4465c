#!/usr/bin/env bash
# Makes clipscout-VERSION-windows-x64.zip: the program, the lister and the
# preview helper built for 64-bit Windows, with the DLLs they load (found by
# following their imports through Qt's and MinGW-w64's folders), Qt's Windows
# platform and style plugins, the HTML manual and a README.txt. Unpacked into
# any folder it runs without an installer.
#   tools/package-windows.sh [build folder] [output folder]
# The build folder is a Windows build with the window (as tools/test-windows.sh
# makes it when Qt for Windows is in its cache); built here when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath -m "${1:-build-mingw/win}")"
out="$(realpath -m "${2:-build-mingw}")"
qt="${CLIPSCOUT_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/clipscout/qt6-windows}"
[ -f "$qt/.complete" ] || { echo "package-windows: no Qt for Windows in $qt (tools/build-qt-windows.sh makes it)" >&2; exit 1; }
command -v zip >/dev/null || { echo "package-windows: zip is needed" >&2; exit 1; }

if [ ! -f "$build/CMakeCache.txt" ]; then
  tools/windows-deps.sh "$out/deps"
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DCLIPSCOUT_WINDOWS_DEPS="$out/deps" -DCMAKE_PREFIX_PATH="$qt" -DCLIPSCOUT_WITH_UI=ON \
    -DCMAKE_BUILD_TYPE=Release -DCLIPSCOUT_WERROR=ON >/dev/null
fi
cmake --build "$build" --target clipscout clipscout-list
version="$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' "$build/CMakeCache.txt")"
name="clipscout-$version-windows-x64"
stage="$out/$name"
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage/platforms" "$stage/styles"

cp "$build/clipscout.exe" "$build/tools/clipscout-list.exe" "$build/clipscout.html" "$stage/"
if [ -f "$build/clipscout-preview-helper.exe" ]; then
  cp "$build/clipscout-preview-helper.exe" "$stage/"
fi
# Without their debugging sections: a user's copy needs none.
x86_64-w64-mingw32-strip "$stage"/*.exe
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"

# Every DLL that a file of the zip imports and that is not the system's: those
# lie in Qt's bin folder or MinGW-w64's runtime folders.
search=("$qt/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
pending=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  file="${pending[0]}"
  pending=("${pending[@]:1}")
  while read -r dll; do
    [ -e "$stage/$dll" ] && continue
    for folder in "${search[@]}"; do
      if [ -f "$folder/$dll" ]; then
        cp "$folder/$dll" "$stage/"
        pending+=("$stage/$dll")
        break
      fi
    done
  done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p')
done

sed "s/@VERSION@/$version/" >"$stage/README.txt" <<'README'
Clipscout @VERSION@ for Windows

Finds, lists, plays back and deletes the recordings that the Viewdeck
recorder leaves on disk.

clipscout.exe       The window: pick a camera, a category and a time range,
                    and get the matching clips and snapshots.
clipscout-list.exe  The same search from a command prompt or a script:
                    clipscout-list --help says how.
clipscout.html      The manual. Help (F1) in the window opens it.

Where Viewdeck.ini goes: Clipscout reads the recorder's own Viewdeck.ini,
which names the recording folder ([Directory] Recording=D:\Viewdeck\Record)
and the cameras. Put a copy of it in this folder, or in
%APPDATA%\Clipscout, or choose it in the window with "Choose Viewdeck.ini...".
clipscout-list also takes --viewer-ini PATH.

Nothing is installed: unpack this folder anywhere and start clipscout.exe.
Deleted recordings go to the Recycle Bin; Undo in the window brings them back.
README
sed -i 's/$/\r/' "$stage/README.txt"

(cd "$out" && zip -qr "$name.zip" "$name")
echo "package-windows: $out/$name.zip ($(du -h "$out/$name.zip" | cut -f1))"
