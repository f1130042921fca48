#!/usr/bin/env bash
# wine-run.sh, CTest's way into Wine, against a stand-in wine64 and
# wineserver: every program runs while a persistent server is up, a program
# that Wine drops is a failure whatever its exit code, and --stop ends the
# server.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failed=0
expect() {  # WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAIL: $1: expected '$2', got '$3'"; failed=1; fi
}

bin="$scratch/bin"
mkdir -p "$bin" "$scratch/work/wine-prefix"
# The server: -p starts one that stays (2 when one runs), -k ends it.
cat >"$bin/wineserver" <<'SH'
#!/bin/sh
up="$FAKE_WINE/server-up"
case "$1" in
  -p) [ -e "$up" ] && exit 2; echo persistent >"$up"; echo start >>"$FAKE_WINE/log" ;;
  -k) rm -f "$up"; echo kill >>"$FAKE_WINE/log" ;;
esac
SH
# A program: says whether a persistent server was up, then behaves as told.
cat >"$bin/wine64" <<'SH'
#!/bin/sh
echo "run $1 server=$(cat "$FAKE_WINE/server-up" 2>/dev/null || echo none)" >>"$FAKE_WINE/log"
case "$1" in
  ok.exe) echo "all passed"; exit 0 ;;
  dropped-ok.exe) echo "wine client error:0: recvmsg: Connection reset by peer" >&2; exit 0 ;;
  dropped-3.exe) echo "wine client error:0: recvmsg: Connection reset by peer" >&2; exit 3 ;;
  silent-4.exe) exit 4 ;;
  # A QtTest suite: its report goes only where -o names, as Z:\...,txt.
  qtest.exe)
    [ "$2" = -o ] || exit 9
    printf 'FAIL!  : a case\nTotals: 0 passed, 1 failed\n' >"$(printf '%s' "$3" | sed 's/^Z://; s/,txt$//; s|\\|/|g')"
    exit 1
    ;;
esac
SH
chmod +x "$bin/wineserver" "$bin/wine64"
export FAKE_WINE="$scratch" PATH="$bin:$PATH"
run="$root/tests/windows/wine-run.sh"
work="$scratch/work"

"$run" "$work" ok.exe >/dev/null 2>&1
expect "no prepared prefix: nothing runs" "2 " "$? $(cat "$scratch/log" 2>/dev/null)"

touch "$work/prepared"
out="$("$run" "$work" --start 2>&1)"
expect "the suite's fixture starts a server that stays" "0 start" "$? $(paste -sd ' ' "$scratch/log")"
: >"$scratch/log"
out="$("$run" "$work" ok.exe 2>&1)"
expect "a program runs against that server and its output shows" "0 all passed|run ok.exe server=persistent" \
  "$? $out|$(paste -sd ' ' "$scratch/log")"

"$run" "$work" --stop
rm -f "$scratch/log"
"$run" "$work" ok.exe >/dev/null 2>&1
expect "a case run alone starts the server before its program" "start run ok.exe server=persistent" \
  "$(paste -sd ' ' "$scratch/log")"

out="$("$run" "$work" dropped-ok.exe 2>&1)"
rc=$?
expect "a dropped program that exits 0 fails" 1 "$rc"
case "$out" in *"Wine dropped the program"*) echo "ok: and says so" ;; *) echo "FAIL: no word of the drop: $out"; failed=1 ;; esac
"$run" "$work" dropped-3.exe >/dev/null 2>&1
expect "a dropped program keeps its own failing code" 3 "$?"
out="$("$run" "$work" silent-4.exe 2>&1)"
rc=$?
expect "a program that fails before printing keeps its code" 4 "$rc"
case "$out" in *"silent-4.exe ended with 4 before it printed anything"*) echo "ok: and says so" ;; *) echo "FAIL: no word of it: $out"; failed=1 ;; esac

out="$("$run" "$work" --qtest qtest.exe 2>&1)"
rc=$?
expect "a QtTest suite's report is shown, with its code" "1|FAIL!  : a case" "$rc|$(head -n 1 <<<"$out")"

"$run" "$work" --stop
expect "--stop ends the server" "absent" "$([ -e "$scratch/server-up" ] && echo present || echo absent)"
exit "$failed"
