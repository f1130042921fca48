#!/bin/sh
# translations-check.sh SOURCE_DIR
#
# Every text of the command line has its Japanese translation: lupdate, run
# on the sources into a copy of cli/translations/cli_ja.ts, finds nothing new
# and nothing unfinished. Exits 77 (skipped) without lupdate.
set -eu
src=$1/cli
lupdate=
for candidate in /usr/lib/qt6/bin/lupdate "$(command -v lupdate6 || true)"; do
    [ -n "$candidate" ] && [ -x "$candidate" ] && { lupdate=$candidate; break; }
done
[ -n "$lupdate" ] || { echo "lupdate is missing (qt6-l10n-tools)"; exit 77; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/hotaru-ts.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cp "$src/translations/cli_ja.ts" "$scratch/cli_ja.ts"
"$lupdate" -no-obsolete -locations none "$src"/*.cpp "$src"/*.h -ts "$scratch/cli_ja.ts" >"$scratch/lupdate.log" 2>&1 ||
    { cat "$scratch/lupdate.log"; exit 1; }
if grep -q 'type="unfinished"' "$scratch/cli_ja.ts"; then
    echo "texts without a Japanese translation (add them to cli/translations/cli_ja.ts):"
    grep -B2 'type="unfinished"' "$scratch/cli_ja.ts" | grep '<source>'
    exit 1
fi
if ! cmp -s "$src/translations/cli_ja.ts" "$scratch/cli_ja.ts"; then
    echo "cli/translations/cli_ja.ts is out of step with the sources (texts gone or changed):"
    diff "$src/translations/cli_ja.ts" "$scratch/cli_ja.ts" || true
    exit 1
fi
echo "every text has its Japanese translation"
