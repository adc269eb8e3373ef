#!/usr/bin/env bash
# Runs overlay-demo on a recording and checks what it wrote: an H.264
# MPEG-TS with as many frames as the recording, and its PNG frames.
# Usage: demo_test.sh <overlay-demo> <recording> <output-folder>
set -euo pipefail
demo=$1 recording=$2 out=$3
rm -rf "$out"
log=$("$demo" "$recording" "$out")
echo "$log"

# MPEG-TS lists a stream once per program too: the first line is enough.
probe() { ffprobe -v error -select_streams v:0 -count_frames "$@" | sed -n 1p; }
frames_in=$(probe -show_entries stream=nb_read_frames -of csv=p=0 "$recording")
read -r codec frames_out size < <(probe \
  -show_entries stream=codec_name,nb_read_frames,width,height -of csv=p=0 "$out/overlay.ts" |
  awk -F, '{print $1, $4, $2 "x" $3}')
format=$(ffprobe -v error -show_entries format=format_name -of csv=p=0 "$out/overlay.ts" | sed -n 1p)
[ "$codec" = h264 ] || { echo "codec $codec, not h264"; exit 1; }
[ "$format" = mpegts ] || { echo "format $format, not mpegts"; exit 1; }
[ "$frames_out" = "$frames_in" ] || { echo "$frames_out frames written of $frames_in"; exit 1; }

pngs=("$out"/frame-*.png)
[ "${#pngs[@]}" -ge 1 ] || { echo "no PNG frames"; exit 1; }
for png in "${pngs[@]}"; do
  png_size=$(ffprobe -v error -show_entries stream=width,height -of csv=s=x:p=0 "$png")
  [ "$png_size" = "$size" ] || { echo "$png is $png_size, the video $size"; exit 1; }
done
# The vehicle of the sample recording was followed across the counting line.
grep -q 'brackets: ' <<<"$log" || { echo "no vehicle boxed"; exit 1; }
grep -Eq ' [1-9][0-9]* vehicles counted' <<<"$log" || { echo "no vehicle counted"; exit 1; }
echo "overlay-demo: $frames_out frames, $size, ${#pngs[@]} PNG frames"
