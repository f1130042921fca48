#!/usr/bin/env bash
# CTest's emulator for the cross-built suites (CMAKE_CROSSCOMPILING_EMULATOR,
# cmake/HotaruWine.cmake): runs a Windows program under wine64 in the prefix
# prepare-prefix.sh made, with no window system.
# Usage: wine-run.sh WORK PROGRAM.exe [ARGS...]
#        wine-run.sh WORK --stop   ends the prefix's server (after the tests)
set -uo pipefail
WORK="${1:?usage: wine-run.sh WORK PROGRAM.exe [ARGS...]}"
shift
# shellcheck source=tests/windows/wine-prefix.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh"
if [ "${1:-}" = --stop ]; then
  "$wineserver" -k 2>/dev/null
  exit 0
fi
[ -f "$WORK/prepared" ] || { echo "wine-run.sh: no Wine prefix prepared in $WORK: build first" >&2; exit 2; }
unset DISPLAY WAYLAND_DISPLAY
# Into a file, then shown: what QtTest writes to a pipe under Wine does not
# arrive.
out="$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")"
"${wine[@]}" "$@" >"$out" 2>&1 </dev/null
status=$?
tr -d '\r' <"$out"
rm -f "$out"
exit "$status"
