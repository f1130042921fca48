#!/usr/bin/env bash
# The Windows packages as a user meets them, under Wine:
#   zip        the programs, the readme (UTF-8 with a byte-order mark, CR LF
#              lines, naming the settings' key as the program writes it) and
#              the licence texts
#   installer  a silent install puts the same files under Program Files, an
#              uninstall entry with its publisher and size, and a Start-menu
#              shortcut that starts the program in a folder every user may
#              write to (not Program Files); a silent uninstall removes the
#              files and keeps the user's settings
# Usage: tests/windows/check-packages.sh BUILD-DIR   (scripts/windows-build.sh's)
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${1:?usage: check-packages.sh BUILD-DIR}" && pwd)"
for tool in unzip python3 makensis; do
  command -v "$tool" >/dev/null || { echo "check-packages.sh: $tool is missing: run scripts/setup.sh" >&2; exit 2; }
done
WORK="$build/wine-packages"
rm -rf "$WORK"
mkdir -p "$WORK"
# shellcheck source=tests/windows/wine-prefix.sh
. "$root/tests/windows/wine-prefix.sh"
trap '"$wineserver" -k 2>/dev/null || true' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
# check WHAT COMMAND...: passes WHAT when the command succeeds, else fails it.
check() {
  local what="$1"
  shift
  if "$@"; then
    pass "$what"
  else
    fail "not so: $what"
    return 1
  fi
}

"$root/scripts/package-windows.sh" "$WORK/out" "$build" >"$WORK/package.log" 2>&1 ||
  { tail -n 30 "$WORK/package.log"; echo "check-packages.sh: the packages were not made" >&2; exit 1; }
zip="$(ls "$WORK"/out/*-windows.zip)"
setup="$(ls "$WORK"/out/*-setup.exe)"

# --- zip
mkdir -p "$WORK/zip"
unzip -q "$zip" -d "$WORK/zip"
files="$(cd "$WORK/zip"/*/ && find . -type f | sed 's|^\./||' | LC_ALL=C sort | paste -sd ' ')"
expected="LICENSE.txt cpk2avi.exe hotaru-movie-cutter.com hotaru-movie-cutter.exe licenses/FFmpeg.txt licenses/GPL-2.txt licenses/LGPL-2.1.txt licenses/LGPL-3.txt licenses/Qt.txt licenses/libFLAC.txt licenses/liblzma.txt licenses/x264.txt licenses/zlib.txt readme.txt"
check "the zip holds the programs, the readme and the licences" [ "$files" = "$expected" ] ||
  echo "  it holds: $files"
readme="$(ls "$WORK"/zip/*/readme.txt)"
check "the readme starts with a byte-order mark" [ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ]
if [ "$(grep -c $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ]; then pass "every line of the readme ends in CR LF"; else fail "the readme has lines without CR"; fi
check "the readme names the settings' key the program writes" \
  grep -q 'HKEY_CURRENT_USER\\Software\\hotaru-movie-cutter\\hotaru-movie-cutter' "$readme"

# --- installer
boot_prefix
wine_server_start
"${wine[@]}" "$setup" /S </dev/null >"$WORK/setup.log" 2>&1
rc=$?
wine_settle
drive_c="$WINEPREFIX/drive_c"
installed="$drive_c/Program Files/HotaruMovieCutter"
if [ "$rc" -eq 0 ] && [ -f "$installed/hotaru-movie-cutter.com" ] && [ -f "$installed/licenses/x264.txt" ]; then
  pass "a silent install puts the programs and the licences under Program Files"
else
  fail "the install (exit $rc): $(find "$installed" -maxdepth 1 2>&1 | paste -sd ' ')"
fi
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\hotaru-movie-cutter'
entry="$("${wine[@]}" reg query "$key" </dev/null 2>/dev/null | tr -d '\r')"
check "the uninstall entry has a publisher and a size" \
  grep -qz 'Publisher.*REG_SZ.*EstimatedSize.*REG_DWORD.*0x[1-9a-f]\|EstimatedSize.*REG_DWORD.*0x[1-9a-f].*Publisher.*REG_SZ' <<<"$entry" ||
  echo "  $entry"
link="$(find "$drive_c" -name '*.lnk' -path '*Start Menu*' | head -n 1)"
workdir="$([ -n "$link" ] && python3 - "$link" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
flags = struct.unpack_from('<I', data, 0x14)[0]
at = 0x4C
if flags & 0x01:  # the item ID list
    at += 2 + struct.unpack_from('<H', data, at)[0]
if flags & 0x02:  # the link info
    at += struct.unpack_from('<I', data, at)[0]
unicode = flags & 0x80
for bit in (0x04, 0x08, 0x10):  # name, relative path, working folder
    if flags & bit:
        count = struct.unpack_from('<H', data, at)[0]
        size = count * (2 if unicode else 1)
        text = data[at + 2:at + 2 + size].decode('utf-16-le' if unicode else 'mbcs', 'replace')
        at += 2 + size
        if bit == 0x10:
            print(text.rstrip('\x00'))
PY
)"
case "$workdir" in
  "") fail "the Start-menu shortcut ($link) names no working folder" ;;
  *"Program Files"*) fail "the shortcut starts the program in $workdir" ;;
  *) pass "the shortcut starts the program in $workdir" ;;
esac

# --- uninstall, silently: the files go, the settings stay
"${wine[@]}" reg add 'HKCU\Software\hotaru-movie-cutter\hotaru-movie-cutter' /v voice /t REG_SZ /d 2 /f </dev/null >/dev/null 2>&1
"${wine[@]}" "$installed/uninstall.exe" /S "_?=C:\\Program Files\\HotaruMovieCutter" </dev/null >/dev/null 2>&1
wine_settle
left="$(find "$installed" -mindepth 1 ! -name uninstall.exe 2>/dev/null | paste -sd ' ')"
check "the silent uninstall removes the files" [ -z "$left" ] || echo "  left: $left"
settings_kept() { "${wine[@]}" reg query 'HKCU\Software\hotaru-movie-cutter\hotaru-movie-cutter' </dev/null >/dev/null 2>&1; }
check "the silent uninstall keeps the user's settings" settings_kept

if ((failures)); then
  echo "Windows packages under Wine: $failures FAILED"
  exit 1
fi
echo "Windows packages under Wine: all passed"
