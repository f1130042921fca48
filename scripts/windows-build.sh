#!/usr/bin/env bash
# Cross-builds the program and its converter for 64-bit Windows as static
# executables, hotaru-movie-cutter.exe and cpk2avi.exe, with the windows preset
# against the Qt and FFmpeg scripts/windows-deps.sh builds (once per machine;
# it runs first).
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
# A tree configured another way (by hand, or through qt-cmake) starts afresh:
# CMake reads the toolchain only on the first run.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_TOOLCHAIN_FILE:.*/cmake/toolchain-windows.cmake$' "$build/CMakeCache.txt"; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake --preset windows -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="$build_type" \
  -DHOTARU_WINDOWS_QT="$qt" -DHOTARU_FFMPEG_PREFIX="$ffmpeg" >/dev/null
cmake --build "$build" --target hotaru-movie-cutter cpk2avi make-sample-archive
