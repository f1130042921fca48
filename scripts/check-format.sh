#!/usr/bin/env bash
# Checks every C++ file in git against .clang-format; with --fix, rewrites them.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
report="$(mktemp)"
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run -Werror "${files[@]}" 2>"$report"; then
  head -n 40 "$report" >&2
  echo "check-format.sh: files differ from .clang-format; scripts/check-format.sh --fix rewrites them" >&2
  exit 1
fi
echo "check-format.sh: ${#files[@]} files follow .clang-format"
