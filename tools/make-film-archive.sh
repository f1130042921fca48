#!/bin/sh
# make-film-archive.sh DISC OUT [MOVIES...]
#
# A stand-in archive whose movies start with real FILM clips (made by
# make-film-clip.sh), so that extraction and AVI conversion can be tried end to
# end. MOVIES defaults to every movie of the disc. MAKE_SAMPLE_ARCHIVE and
# CATALOGUE_INFO name the make-sample-archive and catalogue-info programs
# (default: in build/tools/).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 2 ] || { echo "usage: make-film-archive.sh DISC OUT [MOVIES...]" >&2; exit 2; }
disc=$1
out=$2
shift 2
case $disc in 1 | 2) ;; *) echo "make-film-archive.sh: DISC is 1 or 2" >&2; exit 2 ;; esac
if [ $# -eq 0 ]; then
    # Every movie of the disc: as many as the catalogue counts.
    count=$("${CATALOGUE_INFO:-$here/../build/tools/catalogue-info}" "$disc" movies)
    # shellcheck disable=SC2046  # one argument per movie
    set -- $(seq 1 "$count")
fi
maker=${MAKE_SAMPLE_ARCHIVE:-$here/../build/tools/make-sample-archive}

clips=$(mktemp -d)
trap 'rm -rf "$clips"' EXIT
for n in "$@"; do
    "$here/make-film-clip.sh" "$n" "$clips/$(printf 'clip-%02d.cpk' "$n")"
done
"$maker" --disc "$disc" --clips "$clips" "$out"
