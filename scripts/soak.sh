#!/usr/bin/env bash
# The test command under load: runs scripts/test.sh RUNS times in a row on this
# tree while a build of the project with every core runs beside it, over and
# over, in a scratch folder. Prints each run's outcome, CTest's count and time,
# and a last line "N passed, N failed". Everything is installed and the
# Windows libraries are built before the first run, so the runs time the tests.
# Usage: scripts/soak.sh [RUNS]   (default 5)
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-5}"
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "usage: scripts/soak.sh [RUNS]" >&2; exit 2; }
logs="$(mktemp -d "${TMPDIR:-/tmp}/hotaru-soak.XXXXXX")"
load_dir="$logs/load-build"
load=
stop_load() {
  [ -z "$load" ] || { kill -- -"$load" 2>/dev/null; wait "$load" 2>/dev/null; }
  rm -rf "$load_dir"
}
trap stop_load EXIT

# The load: the whole project built from nothing, again and again, on every
# core, in a process group of its own so that it ends with this script.
set -m
(
  cd "$logs" || exit 1
  while :; do
    rm -rf "$load_dir"
    cmake -S "$root" -B "$load_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHOTARU_WINDOWS_SUITE=OFF >/dev/null 2>&1 &&
      cmake --build "$load_dir" -j "$(nproc)" >/dev/null 2>&1
  done
) &
load=$!
set +m
echo "soak: load $load (a build on $(nproc) cores, looping); logs in $logs"

passed=0 failed=0
for ((i = 1; i <= runs; i++)); do
  start=$SECONDS
  if "$root/scripts/test.sh" >"$logs/run-$i.log" 2>&1; then
    passed=$((passed + 1)) verdict=passed
  else
    failed=$((failed + 1)) verdict=FAILED
  fi
  summary="$(grep -E 'tests passed|Total Test time' "$logs/run-$i.log" | paste -sd ' ')"
  echo "run $i: $verdict in $((SECONDS - start)) s: $summary"
  [ "$verdict" = passed ] || grep -E '^\s*[0-9]+ - |\(Failed\)|\(Timeout\)' "$logs/run-$i.log" | head -n 20
done
echo "soak: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
