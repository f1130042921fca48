#!/usr/bin/env bash
# Sets everything up, builds, and runs every test suite.
# SANITIZE=1 builds and tests with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${SANITIZE:-0}" = 1 ]; then
  build="$root/build-sanitize"
  BUILD_TYPE=Debug "$root/scripts/setup.sh" "$build" -DHOTARU_SANITIZE=ON
else
  build="$root/build"
  "$root/scripts/setup.sh" "$build"
fi
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --timeout 600 -j2
