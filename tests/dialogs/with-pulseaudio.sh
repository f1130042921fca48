#!/usr/bin/env bash
# with-pulseaudio.sh COMMAND [ARGS...]: runs COMMAND with a PulseAudio server
# of its own whose only output is a null sink (it plays in real time and
# makes no noise), in a scratch runtime folder, and always stops it again.
# Exits 77 (a skip for CTest) when PulseAudio is not installed, or 1 when
# HOTARU_REQUIRE_TOOLS=1 asks for every tool.
set -uo pipefail

if ! command -v pulseaudio >/dev/null 2>&1 || ! command -v parec >/dev/null 2>&1; then
  echo "PulseAudio or parec is not installed (scripts/setup.sh installs pulseaudio and pulseaudio-utils)"
  # Under the test command a missing tool is a failure, not a skip.
  [ "${HOTARU_REQUIRE_TOOLS:-0}" = 1 ] && exit 1
  exit 77
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/hotaru-pulse.XXXXXX")"
chmod 700 "$scratch"
server=
# shellcheck disable=SC2317  # called by the trap
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

export XDG_RUNTIME_DIR="$scratch" HOME="$scratch" PULSE_SERVER="unix:$scratch/pulse/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --disable-shm \
  --load="module-null-sink sink_name=silent" --load="module-native-protocol-unix" \
  >"$scratch/pulseaudio.log" 2>&1 &
server=$!
# The socket appears once the server takes clients.
for ((i = 0; i < 300; i++)); do
  [ -S "$scratch/pulse/native" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "FAIL: PulseAudio did not start:"; cat "$scratch/pulseaudio.log"; exit 1
  fi
  sleep 0.1
done
[ -S "$scratch/pulse/native" ] || { echo "FAIL: PulseAudio took no clients within 30 s"; exit 1; }
"$@"
