#!/usr/bin/env bash
# Installs what the program needs (Debian 12), builds it and its converter,
# and starts it. Arguments go to the program (an archive to open, --help).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$("$root/scripts/setup.sh" --lean default)"
exec "$build/src/hotaru-movie-cutter" "$@"
