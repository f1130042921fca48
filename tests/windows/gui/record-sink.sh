#!/usr/bin/env bash
# record-sink.sh COMMAND [ARGS...]: inside tests/dialogs/with-pulseaudio.sh,
# for the Windows build of test_sound_device under Wine, which can run no
# host program itself. Makes the sync clip (tools/make-film-clip.sh) and
# records the null sink's monitor with parec into a file as it plays, and
# names both to COMMAND through HOTARU_SYNC_CLIP and HOTARU_SINK_RECORDING,
# as Wine's Z: drive shows them. Exits 77 (a skip) without ffmpeg, or 1
# when HOTARU_REQUIRE_TOOLS=1 asks for every tool.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"

if ! command -v ffmpeg >/dev/null 2>&1; then
  echo "ffmpeg is not installed (scripts/setup.sh installs it): no clip to play"
  [ "${HOTARU_REQUIRE_TOOLS:-0}" = 1 ] && exit 1
  exit 77
fi
scratch="${XDG_RUNTIME_DIR:?run inside with-pulseaudio.sh}"
CLIP_SYNC=1 "$root/tools/make-film-clip.sh" 5 "$scratch/clip.cpk" 4 || { echo "FAIL: no clip"; exit 1; }

: >"$scratch/monitor.raw"
parec --device=silent.monitor --raw --format=s16le --channels=1 --rate=44100 --latency-msec=5 \
  >"$scratch/monitor.raw" &
recorder=$!
# shellcheck disable=SC2317  # called by the trap
cleanup() { kill "$recorder" 2>/dev/null; wait "$recorder" 2>/dev/null; }
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

export HOTARU_SYNC_CLIP="Z:$scratch/clip.cpk" HOTARU_SINK_RECORDING="Z:$scratch/monitor.raw"
"$@"
