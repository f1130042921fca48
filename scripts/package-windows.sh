#!/usr/bin/env bash
# Builds the Windows packages from a Release cross-build (scripts/windows-build.sh):
#   hotaru-movie-cutter-<version>-windows.zip  the programs, Qt's own texts
#                                              in Japanese and English, the
#                                              readme in both and the licence
#                                              texts, to run from any folder
#   hotaru-movie-cutter-<version>-setup.exe    an NSIS installer with a
#                                              Start-menu entry and an uninstaller
# Usage: scripts/package-windows.sh [OUTPUT_DIR [BUILD_DIR]]
#   OUTPUT_DIR  default: build-package/
#   BUILD_DIR   the Release cross-build to package; default: the windows
#               preset's tree (build-windows-program/)
# The first run on a machine builds Qt for Windows (scripts/windows-deps.sh).
# Qt's translations are the host's (qt6-translations-l10n): the same Qt
# version, and .qm files are the same on every system.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:-$root/build-package}"
build="${2:-$(cmake -DPRESET=windows -P "$root/cmake/PresetBinaryDir.cmake")}"
command -v makensis >/dev/null || { echo "package-windows.sh: makensis is missing: run scripts/setup.sh (nsis)" >&2; exit 2; }
qt_translations=/usr/share/qt6/translations
for code in ja en; do
  [ -f "$qt_translations/qtbase_$code.qm" ] ||
    { echo "package-windows.sh: $qt_translations/qtbase_$code.qm is missing: run scripts/setup.sh (qt6-translations-l10n)" >&2; exit 2; }
done

"$root/scripts/windows-build.sh" "$build" Release
# The version the build was configured with (cmake/ProgramInfo.cmake).
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "package-windows.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }

mkdir -p "$out"
out="$(cd "$out" && pwd)"
stage="$build/package-stage"
rm -rf "$stage"
mkdir -p "$stage/hotaru-movie-cutter-$version"
files="$stage/hotaru-movie-cutter-$version"
for exe in hotaru-movie-cutter.exe hotaru-movie-cutter.com cpk2avi.exe; do
  x86_64-w64-mingw32-strip -o "$files/$exe" "$build/src/$exe"
done
# Notepad takes UTF-8 for UTF-8 only after a byte-order mark; Windows lines
# end in CR LF.
for readme in readme.txt readme-en.txt; do
  {
    printf '\357\273\277'
    sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/packaging/windows/$readme"
  } >"$files/$readme"
done
# The program looks for Qt's own texts in translations\ beside it.
mkdir -p "$files/translations"
cp "$qt_translations/qtbase_ja.qm" "$qt_translations/qtbase_en.qm" "$files/translations/"

# The program's licence, and those of what its .exe files carry inside (the
# static Qt, FFmpeg, x264, zlib, liblzma and libFLAC): the copyright files
# Debian ships for the very source packages they are built from, and the
# licence texts those name.
crlf() { sed 's/$/\r/' "$1" >"$2"; }
crlf "$root/LICENSE" "$files/LICENSE.txt"
mkdir -p "$files/licenses"
for entry in Qt:libqt6core6 FFmpeg:libavcodec59 x264:libx264-164 zlib:zlib1g liblzma:liblzma5 libFLAC:libflac12 \
  GPL-2:/usr/share/common-licenses/GPL-2 LGPL-2.1:/usr/share/common-licenses/LGPL-2.1 \
  LGPL-3:/usr/share/common-licenses/LGPL-3; do
  name="${entry%%:*}" text="${entry#*:}"
  [ "${text#/}" != "$text" ] || text="/usr/share/doc/$text/copyright"
  [ -f "$text" ] || { echo "package-windows.sh: $text is missing: run scripts/setup.sh" >&2; exit 2; }
  crlf "$text" "$files/licenses/$name.txt"
done

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
