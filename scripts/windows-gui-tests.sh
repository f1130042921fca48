#!/usr/bin/env bash
# The whole program for Windows, under Wine: builds Qt and FFmpeg for
# mingw-w64 once per machine (scripts/windows-deps.sh, about half an hour the
# first time), cross-builds the program (scripts/windows-build.sh) and the
# window suites (tests/windows/gui), runs the suites under wine64 with Qt's
# offscreen platform, then the program itself (tests/windows/run-program.sh).
# Usage: scripts/windows-gui-tests.sh [build-dir]
#   BUILD-DIR/program  the program, as scripts/windows-build.sh builds it
#   BUILD-DIR/suites   the window suites
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-windows-gui}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

qt="$("$root/scripts/windows-deps.sh" qt)" || exit 1
"$root/scripts/windows-build.sh" "$build/program" >"$build/program-build.log" 2>&1 ||
  { tail -n 40 "$build/program-build.log"; echo "windows-gui-tests.sh: the program does not build" >&2; exit 1; }

suites="$build/suites"
generator=(-G Ninja)
[ -f "$suites/CMakeCache.txt" ] && generator=()
{
  "$qt/bin/qt-cmake" -S "$root/tests/windows/gui" -B "$suites" "${generator[@]}" --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" &&
    cmake --build "$suites"
} >"$build/suites-build.log" 2>&1 ||
  { tail -n 40 "$build/suites-build.log"; echo "windows-gui-tests.sh: the window suites do not build" >&2; exit 1; }

WORK="$build/wine-suites"
mkdir -p "$WORK"
# shellcheck source=tests/windows/wine-prefix.sh
. "$root/tests/windows/wine-prefix.sh"
trap '"$wineserver" -k 2>/dev/null || true' EXIT
mkdir -p "$WORK/no-disc"
new_prefix "$WORK/no-disc"
# Wine hands no QT_ variable of the host to its programs: the suites' Qt
# settings go into the prefix's user environment instead. Offscreen Qt reads
# its fonts from a folder: the prefix's, where the Noto CJK fonts are.
reg="$WORK/qt-environment.reg"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Environment]\r\n"QT_QPA_PLATFORM"="offscreen"\r\n"QT_QPA_FONTDIR"="C:\\\\windows\\\\Fonts"\r\n' >"$reg"
"${wine[@]}" regedit /S "$(winpath "$reg")" >/dev/null 2>&1 </dev/null
"$wineserver" -w

failed=0
total_passed=0
total_failed=0
for exe in "$suites"/test_*.exe; do
  name="$(basename "$exe" .exe)"
  log="$WORK/$name.log"
  # Into a file: what QtTest writes to a pipe under Wine does not arrive.
  rm -f "$log"
  (cd "$WORK" && timeout 120 "${wine[@]}" "$exe" -o "$(winpath "$log"),txt" </dev/null) >"$WORK/$name.out" 2>&1
  rc=$?
  [ -f "$log" ] || cp "$WORK/$name.out" "$log"
  totals="$(grep -a '^Totals:' "$log" | tail -n 1 | tr -d '\r')"
  p="$(sed -n 's/^Totals: \([0-9]*\) passed.*/\1/p' <<<"$totals")"
  f="$(sed -n 's/^Totals: [0-9]* passed, \([0-9]*\) failed.*/\1/p' <<<"$totals")"
  total_passed=$((total_passed + ${p:-0}))
  total_failed=$((total_failed + ${f:-0}))
  if [ "$rc" -ne 0 ] || [ -z "$totals" ]; then
    failed=$((failed + 1))
    echo "FAIL: $name (exit $rc) ${totals:-no totals}"
    grep -a -B2 -A3 '^FAIL!' "$log" | head -n 60
  else
    echo "ok: $name: $totals"
  fi
done
"$wineserver" -k 2>/dev/null || true
echo "Window suites under Wine: $total_passed passed, $total_failed failed, $failed suite(s) failing"

AVIFILE_CHECK="$suites/avifile-check.exe" "$root/tests/windows/run-program.sh" "$build/program" \
  "${HOTARU_WINDOWS_SCREENSHOT:-}" || failed=$((failed + 1))
[ "$failed" -eq 0 ]
