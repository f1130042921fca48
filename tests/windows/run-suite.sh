#!/usr/bin/env bash
# Runs the cross-built Windows suite under Wine in a throw-away prefix.
# Usage: tests/windows/run-suite.sh BUILD-DIR [gtest arguments...]
#
# The prefix gets three drives besides C: and Z:
#   E:  a CD-ROM drive without the archive
#   F:  a hard disk holding a disc-2-sized hotaru4
#   Q:  a CD-ROM drive holding a disc-1-sized hotaru4
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${1:?usage: run-suite.sh BUILD-DIR [gtest arguments...]}" && pwd)"
shift
suite="$build/hotaru_windows_tests.exe"
[ -f "$suite" ] || { echo "run-suite.sh: $suite is missing: build it first" >&2; exit 2; }

WORK="$build"
# shellcheck source=tests/windows/wine-prefix.sh
. "$root/tests/windows/wine-prefix.sh"
# No window of any kind.
unset DISPLAY WAYLAND_DISPLAY

drives="$build/wine-drives"
rm -rf "$drives"
# The server outlives its programs; leave none behind for the caller to wait on.
trap '"$wineserver" -k 2>/dev/null || true' EXIT
boot_prefix

mkdir -p "$drives/cd-e" "$drives/disk-f" "$drives/cd-q"
# Only the size tells a disc: sparse files of the discs' sizes cost nothing.
# The sizes are the catalogue's own.
archive_size() {
  local size
  size="$(sed -n "s/.*Disc$1ArchiveSize = \([0-9]*\);.*/\1/p" "$root/catalogue/Catalogue.h")"
  [ -n "$size" ] || { echo "run-suite.sh: no Disc$1ArchiveSize in catalogue/Catalogue.h" >&2; exit 2; }
  echo "$size"
}
truncate -s "$(archive_size 1)" "$drives/cd-q/hotaru4"
truncate -s "$(archive_size 2)" "$drives/disk-f/hotaru4"

ln -s "$drives/cd-e" "$WINEPREFIX/dosdevices/e:"
ln -s "$drives/disk-f" "$WINEPREFIX/dosdevices/f:"
ln -s "$drives/cd-q" "$WINEPREFIX/dosdevices/q:"

reg="$build/wine-drives.reg"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"e:"="cdrom"\r\n"f:"="hd"\r\n"q:"="cdrom"\r\n' >"$reg"
"${wine[@]}" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 </dev/null
# The mount manager reads the drive types when it starts: let this server end.
"$wineserver" -w

log="$build/windows-suite.log"
status=0
(cd "$build" && timeout 600 "${wine[@]}" "$suite" --gtest_color=no "$@" </dev/null) 2>&1 | tee "$log" || status=$?

passed="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -n 1)"
if [ "$status" -ne 0 ] || [ -z "$passed" ] || [ "$passed" -eq 0 ]; then
  echo "Windows suite under Wine FAILED (exit $status)" >&2
  exit 1
fi
echo "Windows suite under Wine: $passed passed, 0 failed"
