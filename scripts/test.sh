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
# The native suites first, then the Windows suite under Wine where it is built.
ctest --output-on-failure --timeout 600 -j2 -E '^windows_suite$'
if ctest -N -R '^windows_suite$' | grep -q 'Total Tests: 1'; then
  ctest --output-on-failure -R '^windows_suite$'
fi
