#!/usr/bin/env bash
# with-xvfb.sh COMMAND [ARGS...]: runs COMMAND on an Xvfb of its own, on a
# display number the server picks itself (so parallel runs never collide),
# with a scratch HOME and a UTF-8 locale, and always stops the server again.
# Exits 77 (a skip for CTest) when Xvfb is not installed.
set -uo pipefail

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIP: Xvfb is not installed (scripts/setup.sh installs the xvfb package)"
  exit 77
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/hotaru-x11.XXXXXX")"
xpid=
child=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
  if [ -n "$child" ]; then kill "$child" 2>/dev/null; wait "$child" 2>/dev/null; fi
  if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

: >"$scratch/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
  3>"$scratch/display" 2>"$scratch/xvfb.log" &
xpid=$!
# The server writes its display number once it accepts clients; a busy
# machine may take a while to start it.
display=
for ((i = 0; i < 600; i++)); do
  read -r display <"$scratch/display" 2>/dev/null || true
  [ -n "$display" ] && break
  if ! kill -0 "$xpid" 2>/dev/null; then
    echo "FAIL: Xvfb did not start:"; cat "$scratch/xvfb.log"; exit 1
  fi
  sleep 0.1
done
if [ -z "$display" ]; then
  echo "FAIL: Xvfb gave no display number within 60 s"; cat "$scratch/xvfb.log"; exit 1
fi

mkdir -p "$scratch/home" "$scratch/run"
chmod 700 "$scratch/run"
export DISPLAY=":$display" HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run"
export XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
export X11_SCRATCH="$scratch"
# The suites export offscreen for everything else; these tests need the real server.
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LC_ALL=C.UTF-8
# Qt's own dialogs and style, whatever desktop the caller came from.
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP DESKTOP_SESSION SESSION_MANAGER LANGUAGE

"$@" &
child=$!
wait "$child"
rc=$?
child=
exit "$rc"
