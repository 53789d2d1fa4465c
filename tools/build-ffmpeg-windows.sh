#!/usr/bin/env bash
# Builds FFmpeg's libraries for 64-bit Windows from Debian's own ffmpeg source
# package with Debian's MinGW-w64: static, and with only what the previews
# decode (the recorder's containers and codecs, and the scaler), so that the
# decoding helper carries no other parser a hostile file could reach. Installs
# them, with their pkg-config files, into a cache folder outside the tree.
# Does nothing when that cache is complete for this source and configuration.
#   tools/build-ffmpeg-windows.sh [prefix]   (default: ~/.cache/clipscout/ffmpeg-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$(realpath -m "${1:-${XDG_CACHE_HOME:-$HOME/.cache}/clipscout/ffmpeg-windows}")"
work="$prefix-work"
jobs="${CLIPSCOUT_JOBS:-$(nproc)}"

packages=(gcc-mingw-w64-x86-64-posix dpkg-dev make pkg-config)
tools/ensure-packages.sh "${packages[@]}"

# The containers and codecs the recorder writes (ASF with WMV, AVI with
# MPEG-4 or MJPEG, JPEG and BMP snapshots), as preview/ClipFrameDecoder.cpp
# and preview/StillFrameDecoder.cpp open them. Without assembly: the
# previews are a few frames, and no assembler is needed.
config=(
  --target-os=mingw32 --arch=x86_64 --cross-prefix=x86_64-w64-mingw32- --cc=x86_64-w64-mingw32-gcc-posix
  --enable-cross-compile --pkg-config=pkg-config --pkg-config-flags=--static
  --enable-static --disable-shared --disable-programs --disable-doc --disable-network --disable-autodetect
  --disable-everything --disable-x86asm --disable-debug
  --disable-avdevice --disable-avfilter --disable-swresample --disable-postproc --enable-swscale
  --enable-demuxer=asf,avi
  --enable-decoder=wmv1,wmv2,msmpeg4v2,msmpeg4v3,mpeg4,mjpeg,bmp
)
source_dir="$(tools/fetch-debian-source.sh ffmpeg "$work")"
stamp="$(basename "$source_dir"); ${config[*]}"
if [ -f "$prefix/.complete" ] && [ "$(cat "$prefix/.complete")" = "$stamp" ]; then
  echo "ffmpeg-windows: $prefix is complete"
  exit 0
fi

rm -rf "$prefix" "$work/build"
mkdir -p "$work/build"
(cd "$work/build" && "$source_dir/configure" --prefix="$prefix" "${config[@]}" >"$work/configure.log" 2>&1) ||
  { tail -n 40 "$work/configure.log" >&2; tail -n 40 "$work/build/ffbuild/config.log" >&2; exit 1; }
make -C "$work/build" -j"$jobs" >"$work/make.log" 2>&1 || { tail -n 40 "$work/make.log" >&2; exit 1; }
make -C "$work/build" install >/dev/null
echo "$stamp" >"$prefix/.complete"
echo "ffmpeg-windows: installed in $prefix"
