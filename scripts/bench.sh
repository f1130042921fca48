#!/usr/bin/env bash
# Sets everything up, builds a release build, and runs the extraction benchmark:
# the worker's copy against a plain read/write loop on a stand-in disc 1.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_TYPE=Release "$root/scripts/setup.sh" "$root/build-release"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
exec "$root/build-release/bench/bench_extract" "$@"
