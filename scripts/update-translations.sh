#!/usr/bin/env bash
# Refreshes the translation sources from the code, after texts were added or
# changed: the window's texts (written in Japanese) into
# language/translations/hotaru_en.ts, the command line's (written in English)
# into hotaru_ja.ts. New texts come in unfinished, for a translator to fill in;
# texts gone from the code are dropped. Until every text has its translation
# the suite's translation check fails.
# Usage: scripts/update-translations.sh [--into DIR]
#   --into DIR  refresh copies in DIR instead of the tree's files
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/language/translations"
if [ "${1:-}" = --into ]; then
  out="$2"
  cp "$root"/language/translations/*.ts "$out/"
fi
lupdate=/usr/lib/qt6/bin/lupdate
[ -x "$lupdate" ] || lupdate="$(command -v lupdate || true)"
[ -n "$lupdate" ] || { echo "update-translations.sh: lupdate is missing (qt6-l10n-tools)" >&2; exit 3; }
cd "$root"
update() {
  "$lupdate" -silent -no-obsolete -locations none -I "$root" "$@"
}
update -source-language ja_JP -target-language en app dialogs gui language -ts "$out/hotaru_en.ts"
update -source-language en -target-language ja_JP cli language/Language.cpp -ts "$out/hotaru_ja.ts"
