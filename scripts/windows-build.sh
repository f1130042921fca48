#!/usr/bin/env bash
# Cross-builds the program and its converter for 64-bit Windows as static
# executables, hotaru-movie-cutter.exe (with its console side, the .com) and
# cpk2avi.exe, against the libraries scripts/windows-deps.sh builds (once per
# machine; it runs first).
# Usage: scripts/windows-build.sh [build-dir] [Release|RelWithDebInfo|...]
# The build folder defaults to the preset's (build-windows-program/). The
# executables end up in BUILD-DIR/src, the stand-in archive maker in
# BUILD-DIR/tools.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$(cmake -DPRESET=windows -P "$root/cmake/PresetBinaryDir.cmake")}"
build_type="${2:-Release}"

"$root/scripts/windows-deps.sh" >/dev/null
generator=(-G Ninja)
[ -f "$build/CMakeCache.txt" ] && generator=()
# The toolchain finds each library's folder through windows-deps.sh.
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-windows.cmake" \
  -DCMAKE_BUILD_TYPE="$build_type" -DHOTARU_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target hotaru-movie-cutter hotaru-movie-cutter-console cpk2avi make-sample-archive
