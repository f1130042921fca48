#!/usr/bin/env bash
# Cross-builds the program and its converter for 64-bit Windows as static
# executables, hotaru-movie-cutter.exe and cpk2avi.exe, against the Qt and
# FFmpeg scripts/windows-deps.sh builds (once per machine; it runs first).
# Usage: scripts/windows-build.sh [build-dir] [Release|RelWithDebInfo|...]
# The build folder defaults to the preset's (build-windows-program/). The
# executables end up in BUILD-DIR/src, the stand-in archive maker in
# BUILD-DIR/tools.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$(cmake -DPRESET=windows -P "$root/cmake/PresetBinaryDir.cmake")}"
build_type="${2:-Release}"

qt="$("$root/scripts/windows-deps.sh" qt)"
ffmpeg="$("$root/scripts/windows-deps.sh" ffmpeg)"
generator=(-G Ninja)
[ -f "$build/CMakeCache.txt" ] && generator=()
# qt-cmake: the toolchain's find-root rules hide a Qt outside the mingw root
# from plain find_package.
"$qt/bin/qt-cmake" -S "$root" -B "$build" "${generator[@]}" --no-warn-unused-cli -DCMAKE_BUILD_TYPE="$build_type" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DHOTARU_BUILD_TESTS=OFF -DHOTARU_FFMPEG_PREFIX="$ffmpeg" >/dev/null
cmake --build "$build" --target hotaru-movie-cutter cpk2avi make-sample-archive
