#!/usr/bin/env bash
# The Windows packages as a user meets them, under Wine:
#   zip        the programs, the readme in Japanese and in English (UTF-8
#              with a byte-order mark, CR LF lines, naming the settings' key
#              as the program writes it), Qt's own texts in both languages
#              and the licence texts
#   installer  a silent install puts the same files under Program Files, an
#              uninstall entry with its publisher and size, and a Start-menu
#              shortcut that starts the program in a folder every user may
#              write to (not Program Files); a silent uninstall removes the
#              files and keeps the user's settings
#   languages  the installer speaks the system's language (Japanese, or
#              English for a German system), naming the shortcut in it; the
#              program, from the zip and from Program Files, speaks it too
#              and finds Qt's own texts beside it
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
expected="LICENSE.txt cpk2avi.exe hotaru-movie-cutter.com hotaru-movie-cutter.exe licenses/FFmpeg.txt licenses/GPL-2.txt licenses/LGPL-2.1.txt licenses/LGPL-3.txt licenses/Qt.txt licenses/libFLAC.txt licenses/liblzma.txt licenses/x264.txt licenses/zlib.txt readme-en.txt readme.txt translations/qtbase_en.qm translations/qtbase_ja.qm"
check "the zip holds the programs, the readmes, Qt's texts and the licences" [ "$files" = "$expected" ] ||
  echo "  it holds: $files"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
for entry in "readme.txt|ホタル奇譚ムービーカッター $version (Windows 版)" \
  "readme-en.txt|Hotaru Kitan Movie Cutter $version (for Windows)"; do
  name="${entry%%|*}" title="${entry#*|}"
  readme="$(ls "$WORK"/zip/*/"$name")"
  check "$name starts with a byte-order mark" [ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ]
  if [ "$(grep -c $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ]; then pass "every line of $name ends in CR LF"; else fail "$name has lines without CR"; fi
  check "$name names the settings' key the program writes" \
    grep -q 'HKEY_CURRENT_USER\\Software\\hotaru-movie-cutter\\hotaru-movie-cutter' "$readme"
  check "$name is titled $title" [ "$(head -n 1 "$readme" | tr -d '\r')" = $'\357\273\277'"$title" ]
done

# --- installer
boot_prefix
# A German system, for which the installer and the program speak English.
localedef -i de_DE -f UTF-8 "$locales/de_DE.UTF-8" >/dev/null 2>&1 || true
[ -f "$locales/de_DE.UTF-8/LC_CTYPE" ] ||
  { echo "check-packages.sh: cannot compile the de_DE.UTF-8 locale: install locales (scripts/setup.sh)" >&2; exit 2; }
# wine_in LANG PROGRAM ARGS...: a program of the prefix, its system language LANG.
wine_in() {
  local lang="$1"
  shift
  env -u LC_ALL -u LANGUAGE -u LC_MESSAGES LOCPATH="$locales" LANG="$lang" "$wine64" "$@"
}
# speaks FOLDER: the program in FOLDER prints its help in the system's
# language and loads Qt's own texts from beside it (it says so when it cannot).
speaks() {
  local folder="$1" lang first expected
  for lang in ja_JP.UTF-8:使い方: de_DE.UTF-8:Usage:; do
    expected="${lang#*:}"
    first="$(wine_in "${lang%%:*}" "$folder/hotaru-movie-cutter.exe" --help </dev/null 2>"$WORK/help.err" | head -n 1 | tr -d '\r')"
    if [ "${first%% *}" = "$expected" ] && ! grep -q 'could not be loaded' "$WORK/help.err"; then
      pass "$(basename "$folder"): with LANG=${lang%%:*} --help starts with $expected, with Qt's texts"
    else
      fail "$(basename "$folder"): with LANG=${lang%%:*} --help starts: $first; $(paste -sd ' ' "$WORK/help.err")"
    fi
  done
}
wine_server_start
speaks "$(dirname "$(ls "$WORK"/zip/*/hotaru-movie-cutter.exe)")"
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
# The prefix is a Japanese system.
check "the installer speaks Japanese on a Japanese system: the shortcut is $(basename "$link")" \
  [ "$(basename "$link")" = "ホタル奇譚ムービーカッター.lnk" ]
installer_language() {
  "${wine[@]}" reg query "$key" /v InstallerLanguage </dev/null 2>/dev/null | tr -d '\r' |
    awk '$1 == "InstallerLanguage" { print $3 }'
}
check "the installer keeps its language, Japanese (1041), for the uninstaller" [ "$(installer_language)" = 1041 ]
speaks "$installed"
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
shortcuts() { find "$drive_c" -name '*.lnk' -path '*Start Menu*' -printf '%f\n'; }
check "the silent uninstall removes the shortcut" [ -z "$(shortcuts)" ]

# --- English: on a German system the installer falls back to English
wine_in de_DE.UTF-8 "$setup" /S </dev/null >"$WORK/setup-en.log" 2>&1
rc=$?
wine_settle
check "on a German system the installer (exit $rc) names the shortcut in English: $(shortcuts | paste -sd ' ')" \
  [ "$rc:$(shortcuts)" = "0:Hotaru Kitan Movie Cutter.lnk" ]
check "the installer keeps its language, English (1033), for the uninstaller" [ "$(installer_language)" = 1033 ]
wine_in de_DE.UTF-8 "$installed/uninstall.exe" /S "_?=C:\\Program Files\\HotaruMovieCutter" </dev/null >/dev/null 2>&1
wine_settle
check "the uninstall removes the English shortcut" [ -z "$(shortcuts)" ]

if ((failures)); then
  echo "Windows packages under Wine: $failures FAILED"
  exit 1
fi
echo "Windows packages under Wine: all passed"
