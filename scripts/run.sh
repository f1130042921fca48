#!/usr/bin/env bash
# Sets everything up, builds, and starts the program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" "$root/build"
exec "$root/build/src/hotaru-movie-cutter"
