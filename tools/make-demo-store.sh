#!/usr/bin/env bash
# Makes a recording store to try the program on, as the recorder would leave
# it: three cameras, each with every category folder, clips copied from the
# real clips in tests/data/ (the ASF trailers rewritten to times spread over
# the last days), snapshots that are real images, and a Viewdeck.ini naming
# the cameras. An existing file is never overwritten.
#   tools/make-demo-store.sh STORE_FOLDER VIEWDECK_INI
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 STORE_FOLDER VIEWDECK_INI" >&2; exit 2; }
repo="$(cd "$(dirname "$0")/.." && pwd)"
data="$repo/tests/data"
store="$(mkdir -p "$1" && cd "$1" && pwd)"
ini="$2"
cameras=(FrontDoor Garage Backyard)
now=$(date +%s)

for f in clip-trailer.asf mpeg4.avi mjpeg.avi; do
  [ -r "$data/$f" ] || { echo "missing $data/$f" >&2; exit 1; }
done
# The header rewrite below relies on the sample's layout: the File
# Properties Object first, at byte 30.
[ "$(od -An -tx1 -j30 -N4 "$data/clip-trailer.asf" | tr -d ' ')" = a1dcab8c ] ||
  { echo "unexpected header in $data/clip-trailer.asf" >&2; exit 1; }

# Writes a file through a temporary one, and only when the name is free.
place() { # temp dest
  chmod 644 "$1"
  if [ -e "$2" ]; then rm -f "$1"; else mv -n "$1" "$2"; fi
}

# An ASF clip running from start for seconds, named after its type code and start.
asf_clip() { # folder code start seconds
  local stamp name tmp trailer
  stamp=$(date -d "@$3" +%Y%m%d_%H%M%S)
  name="$1/$2$stamp.asf"
  [ -e "$name" ] && return 0
  trailer="NC$(date -d "@$3" '+%Y/%m/%d %H:%M:%S'),$(date -d "@$(($3 + $4))" '+%Y/%m/%d %H:%M:%S')"
  tmp=$(mktemp "$1/.clip.XXXXXX")
  # The sample's own trailer (its last 50 bytes) gives way to the new one.
  head -c -50 "$data/clip-trailer.asf" >"$tmp"
  { printf '%s' "$trailer"; head -c $((50 - ${#trailer})) /dev/zero; } >>"$tmp"
  # The header's play length to match: Play Duration (100 ns units) at byte
  # 94 of the File Properties Object that follows the Header Object, and no
  # Preroll (byte 110).
  le64 $(($4 * 10000000)) | dd of="$tmp" bs=1 seek=94 conv=notrunc status=none
  le64 0 | dd of="$tmp" bs=1 seek=110 conv=notrunc status=none
  place "$tmp" "$name"
}

# Eight bytes, little-endian.
le64() {
  local n=$1 i
  for i in 0 1 2 3 4 5 6 7; do
    printf "\\x$(printf %02x $(((n >> (8 * i)) & 255)))"
  done
}

# An AVI clip; the program takes its time from the file's creation.
avi_clip() { # folder code sample
  local name="$1/$2$(date -d "@$now" +%Y%m%d_%H%M%S).avi" tmp
  [ -e "$name" ] && return 0
  tmp=$(mktemp "$1/.clip.XXXXXX")
  cp "$data/$3" "$tmp"
  place "$tmp" "$name"
}

snapshot() { # folder camera time extension colour
  local name="$1/$2_$(date -d "@$3" +%Y%m%d_%H%M%S).$4" tmp label
  [ -e "$name" ] && return 0
  tmp=$(mktemp "$1/.snap.XXXXXX")
  label="$2  $(date -d "@$3" '+%Y-%m-%d %H:%M')"
  # A picture with the camera's name on it; without a usable font, the picture alone.
  convert -size 320x240 "gradient:$5-black" -gravity south -fill white -pointsize 16 \
      -annotate +0+10 "$label" "$4:$tmp" 2>/dev/null ||
    convert -size 320x240 "gradient:$5-black" "$4:$tmp"
  place "$tmp" "$name"
}

colours=(steelblue darkolivegreen sienna)
for c in "${!cameras[@]}"; do
  camera="${cameras[$c]}"
  # A camera made by an earlier run keeps what it has: its clips are named
  # after times, and a second run would add a second day of them.
  [ -e "$store/$camera" ] && continue
  for folder in Recording SnapShot MotionDetection; do
    mkdir -p "$store/$camera/$folder"
  done
  for day in 0 1 2 3 4 5; do
    base=$((now - day * 86400 - c * 1800))
    asf_clip "$store/$camera/Recording" Sr $((base - 3 * 3600)) $((600 + day * 45))
    asf_clip "$store/$camera/Recording" Sr $((base - 9 * 3600)) $((day < 2 ? 1200 : 900))
    asf_clip "$store/$camera/MotionDetection" Md $((base - 5 * 3600 - day * 420)) $((20 + day * 7))
    if [ $((day % 2)) -eq 0 ]; then
      asf_clip "$store/$camera/Recording" Ir $((base - 7 * 3600 - 600)) $((45 + day * 30))
      snapshot "$store/$camera/SnapShot" "$camera" $((base - 4 * 3600)) jpg "${colours[$c]}"
    fi
  done
  avi_clip "$store/$camera/Recording" Sr mpeg4.avi
  avi_clip "$store/$camera/MotionDetection" Md mjpeg.avi
  snapshot "$store/$camera/SnapShot" "$camera" "$now" bmp "${colours[$c]}"
done

if [ ! -e "$ini" ]; then
  tmp=$(mktemp "$(dirname "$ini")/.ini.XXXXXX")
  {
    printf '[Directory]\r\nRecording=%s\r\n' "$store"
    for c in "${!cameras[@]}"; do
      printf '[Device%d]\r\nLocalID=%s\r\n' $((c + 1)) "${cameras[$c]}"
    done
  } >"$tmp"
  place "$tmp" "$ini"
fi
echo "Demo recording store: $store"
