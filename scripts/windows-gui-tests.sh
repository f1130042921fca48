#!/usr/bin/env bash
# The whole program for Windows, under Wine: builds its libraries for
# mingw-w64 once per machine (scripts/windows-deps.sh, about half an hour the
# first time), cross-builds the program (scripts/windows-build.sh) and the
# window suites (tests/windows/gui), runs the suites with CTest under wine64
# with Qt's offscreen platform, then the program itself
# (tests/windows/run-program.sh) and its packages (tests/windows/check-packages.sh).
# Usage: scripts/windows-gui-tests.sh [build-dir]
#   BUILD-DIR/program  the program, as scripts/windows-build.sh builds it
#   BUILD-DIR/suites   the window suites
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-windows-gui}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

"$root/scripts/windows-build.sh" "$build/program" >"$build/program-build.log" 2>&1 ||
  { tail -n 40 "$build/program-build.log"; echo "windows-gui-tests.sh: the program does not build" >&2; exit 1; }

suites="$build/suites"
# A throw-away prefix: the build makes it afresh every run. Its server
# outlives the suites until their cleanup, or this script's end.
rm -f "$suites/wine/prepared"
trap '"$root/tests/windows/wine-run.sh" "$suites/wine" --stop' EXIT
generator=(-G Ninja)
[ -f "$suites/CMakeCache.txt" ] && generator=()
{
  cmake -S "$root/tests/windows/gui" -B "$suites" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-windows.cmake" -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$suites"
} >"$build/suites-build.log" 2>&1 ||
  { tail -n 40 "$build/suites-build.log"; echo "windows-gui-tests.sh: the window suites do not build" >&2; exit 1; }

failed=0
ctest --test-dir "$suites" --output-on-failure || failed=1

AVIFILE_CHECK="$suites/avifile-check.exe" "$root/tests/windows/run-program.sh" "$build/program" \
  "${HOTARU_WINDOWS_SCREENSHOT:-}" || failed=$((failed + 1))
"$root/tests/windows/check-packages.sh" "$build/program" || failed=$((failed + 1))
[ "$failed" -eq 0 ]
