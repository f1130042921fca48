#!/usr/bin/env bash
# Cross-builds the Qt-free libraries and their Windows suite with mingw-w64
# (tests/windows), then runs it with CTest, each case under Wine in a fresh
# prefix. Needs the packages scripts/setup.sh installs.
# Usage: scripts/windows-tests.sh [build-dir] [ctest arguments...]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-windows}"
shift || true

for tool in x86_64-w64-mingw32-g++-posix cmake; do
  command -v "$tool" >/dev/null || { echo "windows-tests.sh: $tool is missing: run scripts/setup.sh" >&2; exit 2; }
done
[ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null ||
  { echo "windows-tests.sh: wine64 is missing: run scripts/setup.sh" >&2; exit 2; }

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
[ -f "$build/CMakeCache.txt" ] && generator=()

cmake -S "$root/tests/windows" -B "$build" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
# A throw-away prefix: made afresh by every run. Its server outlives the
# suite's cases until the suite's cleanup, or this script's end.
rm -f "$build/wine/prepared"
trap '"$root/tests/windows/wine-run.sh" "$build/wine" --stop' EXIT
cmake --build "$build" --parallel
ctest --test-dir "$build" --output-on-failure -j2 "$@"
