#!/usr/bin/env bash
# Putting back the largest movie of disc 1. A stand-in disc 1 whose largest
# movie starts with a real FILM clip (320x240, 15 frames a second, as long as
# fits its range, halved from 160 s); a new video as long as that clip
# (640x480, 30 frames a second, H.264 and AAC, grainy enough to need a lower
# quality) put back in its place by the program; and, as the reference, the
# ffmpeg command encoding the same video once into Cinepak/FILM at the same
# size, rate and sound. Prints both times, their ratio, the program's tries
# and the quality it reached.
# Usage: bench/bench-put-back.sh BUILD-DIR [--rounds N] [--dir FOLDER]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:?usage: bench-put-back.sh BUILD-DIR [--rounds N] [--dir FOLDER]}" && pwd)"
shift
rounds=1 scratch_parent="${TMPDIR:-/tmp}"
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --dir) scratch_parent="$2"; shift 2 ;;
    *) shift ;;
  esac
done
program="$build/src/hotaru-movie-cutter"
for tool in ffmpeg ffprobe; do
  command -v "$tool" >/dev/null || { echo "bench-put-back.sh: $tool is missing: run scripts/setup.sh" >&2; exit 2; }
done
work="$(mktemp -d "$scratch_parent/put-back-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

movie="$("$build/tools/catalogue-info" 1 largest)"
mkdir -p "$work/disc" "$work/out"
CLIP_SIZE=320x240 CLIP_SECONDS=160 CATALOGUE_INFO="$build/tools/catalogue-info" \
  MAKE_SAMPLE_ARCHIVE="$build/tools/make-sample-archive" \
  "$root/tools/make-film-archive.sh" 1 "$work/disc/hotaru4" "$movie"
offset="$("$build/tools/catalogue-info" 1 offset "$movie")"
bytes="$("$build/tools/catalogue-info" 1 bytes "$movie")"
dd if="$work/disc/hotaru4" of="$work/original.cpk" iflag=skip_bytes,count_bytes skip="$offset" count="$bytes" \
  status=none
seconds="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/original.cpk")"
rate="$(ffprobe -v error -select_streams a -show_entries stream=sample_rate -of csv=p=0 "$work/original.cpk")"
ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=640x480:rate=30,noise=alls=12:allf=t" \
  -f lavfi -i "sine=frequency=440:sample_rate=44100" -t "$seconds" -c:v libx264 -preset veryfast -pix_fmt yuv420p \
  -c:a aac -shortest "$work/new.mp4"
echo "Movie $movie of disc 1: $bytes bytes, a ${seconds} s FILM clip of 320x240 at 15 frames a second"

now() { date +%s.%N; }
best_ours="" best_reference="" outcome=""
for ((r = 1; r <= rounds; r++)); do
  rm -rf "$work/out" && mkdir -p "$work/out"
  start="$(now)"
  outcome="$("$program" --put-back "$movie" "$work/new.mp4" "$work/disc/hotaru4" --out "$work/out" --lang en)"
  ours="$(awk -v a="$(now)" -v b="$start" 'BEGIN { print a - b }')"
  start="$(now)"
  ffmpeg -nostdin -v error -y -i "$work/new.mp4" \
    -vf "scale=320:240:force_original_aspect_ratio=decrease,pad=320:240:(ow-iw)/2:(oh-ih)/2,fps=15" \
    -c:v cinepak -ar "$rate" -ac 2 -c:a pcm_s16be_planar -f film_cpk "$work/reference.cpk"
  reference="$(awk -v a="$(now)" -v b="$start" 'BEGIN { print a - b }')"
  best_ours="$(awk -v a="$ours" -v b="${best_ours:-$ours}" 'BEGIN { print (a < b ? a : b) }')"
  best_reference="$(awk -v a="$reference" -v b="${best_reference:-$reference}" 'BEGIN { print (a < b ? a : b) }')"
done
quality="$(sed -n 's/.*at quality \([0-9]*\)%.*/\1/p' <<<"$outcome" | head -n 1)"
tries="$(sed -n 's/.*tries: \([0-9]*\).*/\1/p' <<<"$outcome" | head -n 1)"
printf 'put back (whole run: read, encode, write the copy, read it back): %.1f s at quality %s%%%s\n' \
  "$best_ours" "${quality:-?}" "${tries:+ after $tries tries}"
printf 'ffmpeg encoding the same video once:                           %.1f s (%s bytes)\n' \
  "$best_reference" "$(stat -c %s "$work/reference.cpk")"
awk -v a="$best_ours" -v b="$best_reference" 'BEGIN { printf "ratio: %.2f\n", a / b }'
