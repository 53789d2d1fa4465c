#!/usr/bin/env bash
# Regenerates the tiny real clips in tests/data/ with Debian's ffmpeg
# (apt-get install ffmpeg). Not run by CI: the clips are committed, and the
# tests hold the durations that ffprobe reports for them:
#   clip-trailer.asf  WMV2 video, 32x24, 5 fps, 10 frames: 2.000 s (ffprobe),
#                     Play Duration 5.1 s with a Preroll of 3100 ms; followed
#                     by the recorder's 50-byte trailer
#                     "NC2006/03/14 10:00:05,2006/03/14 10:00:07" + NULs
#   mpeg4.avi         MPEG-4 Visual video, 32x24, 5 fps, 10 frames: 2.000 s
#   mjpeg.avi         MJPEG video, 32x24, 5 fps, 9 frames: 1.800 s
#   audio-only.avi    8 kHz unsigned 8-bit PCM, no video stream: 0.257 s
# A newer ffmpeg may lay the headers out differently; check the tests after
# regenerating.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/tests/data"
mkdir -p "$out"
ff=(ffmpeg -hide_banner -loglevel error -y -fflags +bitexact -flags +bitexact)

"${ff[@]}" -f lavfi -i "color=c=blue:s=32x24:r=5:d=2" -c:v wmv2 -b:v 8k \
  -f asf "$out/clip-trailer.asf"
# The trailer: "NC" start "," end, padded with NUL bytes to 50 bytes.
trailer="NC2006/03/14 10:00:05,2006/03/14 10:00:07"
{ printf '%s' "$trailer"; head -c $((50 - ${#trailer})) /dev/zero; } >>"$out/clip-trailer.asf"

"${ff[@]}" -f lavfi -i "testsrc=s=32x24:r=5:d=2" -c:v mpeg4 -q:v 31 \
  -f avi "$out/mpeg4.avi"
"${ff[@]}" -f lavfi -i "testsrc=s=32x24:r=5:d=1.8" -c:v mjpeg -q:v 31 \
  -f avi "$out/mjpeg.avi"
"${ff[@]}" -f lavfi -i "sine=f=440:r=8000:d=0.25" -c:a pcm_u8 \
  -f avi "$out/audio-only.avi"

for f in clip-trailer.asf mpeg4.avi mjpeg.avi audio-only.avi; do
  printf '%-18s %6d bytes  ' "$f" "$(stat -c %s "$out/$f")"
  ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$out/$f"
done
