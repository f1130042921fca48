#!/usr/bin/env bash
# CTest's emulator for the cross-built suites (CMAKE_CROSSCOMPILING_EMULATOR,
# cmake/HotaruWine.cmake): runs a Windows program under wine64 in the prefix
# prepare-prefix.sh made, with no window system, against the one server that
# stays up for the whole suite.
# Usage: wine-run.sh WORK [--qtest] PROGRAM.exe [ARGS...]
#        wine-run.sh WORK --start  starts that server (the suite's first fixture)
#        wine-run.sh WORK --stop   ends it (the suite's cleanup)
set -uo pipefail
WORK="${1:?usage: wine-run.sh WORK PROGRAM.exe [ARGS...]}"
shift
# shellcheck source=tests/windows/wine-prefix.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh"
case "${1:-}" in
  --stop)
    "$wineserver" -k 2>/dev/null
    exit 0
    ;;
  --start) [ $# -eq 1 ] || { echo "usage: wine-run.sh WORK --start" >&2; exit 2; } ;;
esac
[ -f "$WORK/prepared" ] || { echo "wine-run.sh: no Wine prefix prepared in $WORK: build first" >&2; exit 2; }
# Also here, not only in the fixture: CTest lists a suite's cases before any
# fixture runs, and a case run alone must not start a server that ends.
wine_server_start || { echo "wine-run.sh: cannot start the Wine server of $WINEPREFIX" >&2; exit 1; }
[ "${1:-}" != --start ] || exit 0
unset DISPLAY WAYLAND_DISPLAY
out="$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")"
if [ "${1:-}" = --qtest ]; then
  # What a QtTest suite writes to its standard output does not arrive under
  # Wine: its report goes into a file of its own, shown with the rest.
  shift
  report="$(mktemp "${TMPDIR:-/tmp}/wine-qtest.XXXXXX")"
  "${wine[@]}" "$@" -o "$(winpath "$report"),txt" >"$out" 2>&1 </dev/null
  status=$?
  cat "$report" >>"$out"
  rm -f "$report"
else
  "${wine[@]}" "$@" >"$out" 2>&1 </dev/null
  status=$?
fi
tr -d '\r' <"$out"
if wine_dropped "$out"; then
  echo "wine-run.sh: Wine dropped the program (exit $status): it did not run to its end" >&2
  [ "$status" -ne 0 ] || status=1
elif [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  # Every suite prints as it starts: this one never ran. Say what Wine had.
  echo "wine-run.sh: $(basename "$1") ended with $status before it printed anything; Wine's processes:" >&2
  pgrep -a -f 'wine(64|server)|[.]exe' >&2
fi
rm -f "$out"
exit "$status"
