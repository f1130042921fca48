#!/usr/bin/env bash
# Fuzzes the image readers, the FILM header reader, the movie decoders and
# the subtitle reader
# with libFuzzer (clang from Debian, with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/. Each target starts from its corpus in
# tests/disc/fuzz/corpus/NAME (images) or tests/movie/fuzz/corpus/NAME (movies)
# and adds what it finds there; an input that
# crashes, leaks, or makes the reader hold more than 64 MB at once (or 512 MB
# in all) is kept as build-fuzz/crash-NAME-* and fails the run. The suite
# replays every corpus (fuzz_replay.NAME).
# Usage: scripts/fuzz.sh [SECONDS] [NAME...]   (default 600 s each; cue ccd mds nrg iso chd film thumbnail stream converter subtitles)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-600}"
shift || true
names=("$@")
((${#names[@]})) || names=(cue ccd mds nrg iso chd film thumbnail stream converter subtitles)
command -v clang++ >/dev/null || { echo "fuzz.sh: clang is missing (Debian: apt-get install clang)" >&2; exit 2; }
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOTARU_FUZZ=ON \
  -DHOTARU_SANITIZE=ON -DHOTARU_WINDOWS_SUITE=OFF >/dev/null
cmake --build "$build" --target "${names[@]/#/fuzz_}" >/dev/null
failed=0
for name in "${names[@]}"; do
  case "$name" in
    film | thumbnail | stream | subtitles) folder=tests/movie/fuzz ;;
    converter) folder=tests/cpk2avi/fuzz ;;
    *) folder=tests/disc/fuzz ;;
  esac
  corpus="$root/$folder/corpus/$name"
  log="$build/fuzz-$name.log"
  if "$build/$folder/fuzz_$name" "$corpus" -max_total_time="$seconds" -max_len=65536 \
    -rss_limit_mb=512 -malloc_limit_mb=64 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/crash-$name-" >"$log" 2>&1; then
    verdict=ok
  else
    verdict=FAILED
    failed=1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  echo "fuzz $name: $verdict, ${runs:-?} executions in $seconds s, corpus $(find "$corpus" -type f | wc -l) inputs (log: $log)"
done
exit "$failed"
