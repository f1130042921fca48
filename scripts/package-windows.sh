#!/usr/bin/env bash
# Builds the Windows packages from a Release cross-build (scripts/windows-build.sh):
#   hotaru-movie-cutter-<version>-windows.zip  both .exe files and a Japanese
#                                              readme, to run from any folder
#   hotaru-movie-cutter-<version>-setup.exe    an NSIS installer with a
#                                              Start-menu entry and an uninstaller
# Usage: scripts/package-windows.sh [OUTPUT_DIR]   (default: build-package/)
# It builds in the windows preset's tree (build-windows-program/).
# The first run on a machine builds Qt for Windows (scripts/windows-deps.sh).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/build-package}"
build="$(cmake -DPRESET=windows -P "$root/cmake/PresetBinaryDir.cmake")"
command -v makensis >/dev/null || { echo "package-windows.sh: makensis is missing: run scripts/setup.sh (nsis)" >&2; exit 2; }

"$root/scripts/windows-build.sh" "$build" Release
version="$(sed -n 's/^project(HotaruMovieCutter VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")"
[ -n "$version" ] || { echo "package-windows.sh: no version in CMakeLists.txt" >&2; exit 1; }

mkdir -p "$out"
out="$(cd "$out" && pwd)"
stage="$build/package-stage"
rm -rf "$stage"
mkdir -p "$stage/hotaru-movie-cutter-$version"
files="$stage/hotaru-movie-cutter-$version"
for exe in hotaru-movie-cutter cpk2avi; do
  x86_64-w64-mingw32-strip -o "$files/$exe.exe" "$build/src/$exe.exe"
done
# Notepad reads UTF-8; Windows lines end in CR LF.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/packaging/windows/readme.txt" >"$files/readme.txt"

zip="$out/hotaru-movie-cutter-$version-windows.zip"
rm -f "$zip"
(cd "$stage" && cmake -E tar cf "$zip.tmp" --format=zip "hotaru-movie-cutter-$version")
mv "$zip.tmp" "$zip"

setup="$out/hotaru-movie-cutter-$version-setup.exe"
cp "$build/src/hotaru-movie-cutter.ico" "$stage/"
makensis -V2 -DVERSION="$version" -DSOURCE="$files" -DOUTFILE="$setup.tmp" \
  -DICON="$stage/hotaru-movie-cutter.ico" "$root/packaging/windows/installer.nsi"
mv "$setup.tmp" "$setup"
echo "$zip"
echo "$setup"
