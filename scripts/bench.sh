#!/usr/bin/env bash
# Sets everything up, builds a release build, and runs the extraction benchmark:
# the worker's copy against a plain read/write loop on a stand-in disc 1, then
# whole worker runs, alone and with every core kept busy.
# It builds in the release preset's tree (build-release/); arguments go to the
# benchmark (--rounds N, --loaded-rounds N, --dir FOLDER).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
echo "Building the release tree first (the first time takes a few minutes) ..."
build="$(TARGETS=bench_extract "$root/scripts/setup.sh" --lean release)"
echo "Running the benchmark ..."
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec "$build/bench/bench_extract" "$@"
