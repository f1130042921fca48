#!/bin/sh
# translations-check.sh SOURCE_DIR
#
# Every text has its translation, in both languages: lupdate, run on the
# sources into copies of language/translations/*.ts, finds nothing new,
# nothing gone and nothing unfinished. Without lupdate it is skipped (77),
# or fails when the suite must have every tool (HOTARU_REQUIRE_TOOLS=1).
set -eu
root=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/hotaru-ts.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
status=0
"$root/scripts/update-translations.sh" --into "$scratch" >"$scratch/lupdate.log" 2>&1 || status=$?
if [ "$status" -eq 3 ]; then
    cat "$scratch/lupdate.log"
    [ "${HOTARU_REQUIRE_TOOLS:-0}" = 1 ] && exit 1
    exit 77
fi
[ "$status" -eq 0 ] || { cat "$scratch/lupdate.log"; exit 1; }
failed=0
for ts in "$scratch"/*.ts; do
    name=$(basename "$ts")
    if grep -q 'type="unfinished"' "$ts"; then
        echo "texts without a translation (fill them in language/translations/$name):"
        grep -B3 'type="unfinished"' "$ts" | grep '<source>'
        failed=1
    fi
    if ! cmp -s "$root/language/translations/$name" "$ts"; then
        echo "language/translations/$name is out of step with the sources (scripts/update-translations.sh):"
        diff "$root/language/translations/$name" "$ts" || true
        failed=1
    fi
done
[ "$failed" -eq 0 ] || exit 1
echo "every text has its translation in both languages"
