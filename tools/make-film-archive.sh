#!/bin/sh
# make-film-archive.sh DISC OUT [MOVIES...]
#
# A stand-in archive whose movies start with real FILM clips (made by
# make-film-clip.sh), so that extraction and AVI conversion can be tried end to
# end. MOVIES defaults to every movie of the disc. MAKE_SAMPLE_ARCHIVE names the
# make-sample-archive program (default: build/tools/make-sample-archive).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 2 ] || { echo "usage: make-film-archive.sh DISC OUT [MOVIES...]" >&2; exit 2; }
disc=$1
out=$2
shift 2
case $disc in 1 | 2) ;; *) echo "make-film-archive.sh: DISC is 1 or 2" >&2; exit 2 ;; esac
if [ $# -eq 0 ]; then
    # Every movie of the disc: as many as the catalogue counts.
    count=$(sed -n "s/.*Disc${disc}MovieCount = \([0-9]*\);.*/\1/p" "$here/../catalogue/Catalogue.h")
    [ -n "$count" ] || { echo "make-film-archive.sh: no Disc${disc}MovieCount in catalogue/Catalogue.h" >&2; exit 2; }
    set -- $(seq 1 "$count")
fi
maker=${MAKE_SAMPLE_ARCHIVE:-$here/../build/tools/make-sample-archive}

clips=$(mktemp -d)
trap 'rm -rf "$clips"' EXIT
for n in "$@"; do
    "$here/make-film-clip.sh" "$n" "$clips/$(printf 'clip-%02d.cpk' "$n")"
done
"$maker" --disc "$disc" --clips "$clips" "$out"
