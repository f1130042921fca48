#!/usr/bin/env bash
# Sets everything up, builds a release build, and runs the extraction benchmark:
# the worker's copy against a plain read/write loop on a stand-in disc 1, then
# whole worker runs, alone and with every core kept busy; then the same movies
# copied out of an ISO, a BIN/CUE, CloneCD, Alcohol, Nero and CHD image of that
# disc; then cpk2avi writing an MP4 against the ffmpeg command with the same
# settings; then the time to a title's tooltip picture and the cost of playing
# a movie in the preview, against the ffmpeg command; then putting back the
# largest movie of disc 1 from a new video, against the ffmpeg command
# encoding that video once into Cinepak/FILM.
# It builds in the release preset's tree (build-release/); arguments go to the
# benchmark (--rounds N, --loaded-rounds N, --dir FOLDER); --rounds and --dir
# go to the disc image, MP4 and preview parts too. Each ratio is against a reference
# timed in the same run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
echo "Building the release tree first (the first time takes a few minutes) ..."
# Two jobs at most: the machine is shared.
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
build="$(TARGETS="bench_extract bench_images bench_mp4 bench_preview hotaru-movie-cutter make-sample-archive catalogue-info" "$root/scripts/setup.sh" --lean release)"
echo "Running the benchmark ..."
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
status=0
"$build/bench/bench_extract" "$@" || status=$?
echo "Disc images ..."
image_args=()
for ((i = 1; i < $#; i++)); do
  j=$((i + 1))
  case "${!i}" in
    --dir | --rounds) image_args+=("${!i}" "${!j}") ;;
  esac
done
"$build/bench/bench_images" "${image_args[@]}" || { s=$?; [ "$status" -ne 0 ] || status=$s; }
echo "MP4 output ..."
"$build/bench/bench_mp4" "${image_args[@]}" || { s=$?; [ "$status" -ne 0 ] || status=$s; }
echo "Tooltip pictures and the preview ..."
"$build/bench/bench_preview" "${image_args[@]}" || { s=$?; [ "$status" -ne 0 ] || status=$s; }
echo "Putting the largest movie of disc 1 back ..."
"$root/bench/bench-put-back.sh" "$build" "${image_args[@]}" || { s=$?; [ "$status" -ne 0 ] || status=$s; }
exit "$status"
