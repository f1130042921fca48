#!/usr/bin/env bash
# Builds the program and saves pictures of its windows into docs/ (under Xvfb,
# with a CJK font, as a user on a desktop would see them).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$("$root/scripts/setup.sh" default)"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/hotaru-screenshots" "$root/docs"
