#!/usr/bin/env bash
# Checks every C++ file in git against .clang-format and every shell script in
# git with shellcheck; with --fix, rewrites the C++ files (shellcheck's
# findings are fixed by hand).
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
ok=1
if ! clang-format --dry-run -Werror "${files[@]}" 2>"$report"; then
  head -n 40 "$report" >&2
  echo "check-format.sh: files differ from .clang-format; scripts/check-format.sh --fix rewrites them" >&2
  ok=0
else
  echo "check-format.sh: ${#files[@]} files follow .clang-format"
fi

# Shell scripts: named *.sh, or starting with a shell's #! line.
scripts=()
while IFS= read -r -d '' f; do
  [ -f "$f" ] || continue
  case "$f" in
    *.sh) scripts+=("$f") ;;
    *) head -n 1 "$f" | grep -qE '^#!.*[/ ](ba|da|k)?sh([[:space:]]|$)' && scripts+=("$f") ;;
  esac
done < <(git ls-files -z)
command -v shellcheck >/dev/null ||
  { echo "check-format.sh: shellcheck is missing: run scripts/setup.sh" >&2; exit 2; }
if ! shellcheck --external-sources "${scripts[@]}" >"$report" 2>&1; then
  head -n 60 "$report" >&2
  echo "check-format.sh: shellcheck reports the scripts above" >&2
  ok=0
else
  echo "check-format.sh: ${#scripts[@]} shell scripts pass shellcheck"
fi
((ok))
