#!/usr/bin/env bash
# Prepares the throw-away Wine prefix a cross-built suite runs in (a Japanese
# system, see wine-prefix.sh), afresh each time:
#   drives  besides C: and Z:, E: a CD-ROM drive without the archive, F: a
#           hard disk holding a disc-2-sized hotaru4, Q: a CD-ROM drive holding
#           a disc-1-sized hotaru4 (the sizes from CATALOGUE-INFO.exe)
#   gui     Q: an empty CD-ROM drive, the Noto CJK fonts, and Qt told to draw
#           offscreen with those fonts through the prefix's user environment
# Usage: prepare-prefix.sh WORK drives CATALOGUE-INFO.exe
#        prepare-prefix.sh WORK gui
# WORK/prepared marks it done.
set -euo pipefail
WORK="${1:?usage: prepare-prefix.sh WORK drives|gui [CATALOGUE-INFO.exe]}"
kind="${2:?usage: prepare-prefix.sh WORK drives|gui [CATALOGUE-INFO.exe]}"
rm -f "$WORK/prepared"
mkdir -p "$WORK"
WORK="$(cd "$WORK" && pwd)"
# shellcheck source=tests/windows/wine-prefix.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh"
# The server outlives its programs; leave none behind.
trap '"$wineserver" -k 2>/dev/null || true' EXIT
unset DISPLAY WAYLAND_DISPLAY

case "$kind" in
  drives)
    info="${3:?prepare-prefix.sh: drives needs CATALOGUE-INFO.exe}"
    boot_prefix
    drives="$WORK/drives"
    rm -rf "$drives"
    mkdir -p "$drives/cd-e" "$drives/disk-f" "$drives/cd-q"
    # Only the size tells a disc: sparse files of the discs' sizes cost nothing.
    size() { "${wine[@]}" "$info" "$1" size </dev/null | tr -d '\r'; }
    truncate -s "$(size 1)" "$drives/cd-q/hotaru4"
    truncate -s "$(size 2)" "$drives/disk-f/hotaru4"
    ln -s "$drives/cd-e" "$WINEPREFIX/dosdevices/e:"
    ln -s "$drives/disk-f" "$WINEPREFIX/dosdevices/f:"
    ln -s "$drives/cd-q" "$WINEPREFIX/dosdevices/q:"
    reg="$WORK/drives.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"e:"="cdrom"\r\n"f:"="hd"\r\n"q:"="cdrom"\r\n' >"$reg"
    ;;
  gui)
    mkdir -p "$WORK/no-disc"
    new_prefix "$WORK/no-disc"
    # Wine hands no QT_ variable of the host to its programs. Offscreen Qt
    # reads its fonts from a folder: the prefix's, where the Noto CJK fonts are.
    reg="$WORK/qt-environment.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Environment]\r\n"QT_QPA_PLATFORM"="offscreen"\r\n"QT_QPA_FONTDIR"="C:\\\\windows\\\\Fonts"\r\n' >"$reg"
    ;;
  *)
    echo "prepare-prefix.sh: no prefix of kind $kind" >&2
    exit 2
    ;;
esac
"${wine[@]}" regedit /S "$(winpath "$reg")" >/dev/null 2>&1 </dev/null
# The mount manager reads the drive types when it starts: let this server end.
"$wineserver" -w
touch "$WORK/prepared"
