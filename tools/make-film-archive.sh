#!/bin/sh
# make-film-archive.sh DISC OUT [MOVIES...]
#
# A stand-in archive whose movies start with real FILM clips (made by
# make-film-clip.sh), so that the pictures, the preview, extraction and
# conversion can be tried end to end. Each clip shows its movie's number and
# title, has a tone of its own and fits its movie's range; the archive keeps
# the disc's exact size and every movie's place, so copies can still be
# checked byte for byte against it. MOVIES defaults to every movie of the disc.
# CLIP_SECONDS (default 6) is each clip's length, shortened where a range is
# too small. MAKE_SAMPLE_ARCHIVE and CATALOGUE_INFO name the
# make-sample-archive and catalogue-info programs (default: in build/tools/).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 2 ] || { echo "usage: make-film-archive.sh DISC OUT [MOVIES...]" >&2; exit 2; }
disc=$1
out=$2
shift 2
case $disc in 1 | 2) ;; *) echo "make-film-archive.sh: DISC is 1 or 2" >&2; exit 2 ;; esac
info=${CATALOGUE_INFO:-$here/../build/tools/catalogue-info}
maker=${MAKE_SAMPLE_ARCHIVE:-$here/../build/tools/make-sample-archive}
seconds=${CLIP_SECONDS:-6}
case $seconds in '' | *[!0-9]*) echo "make-film-archive.sh: CLIP_SECONDS is a whole number of seconds" >&2; exit 2 ;; esac
if [ $# -eq 0 ]; then
    # shellcheck disable=SC2046  # one argument per movie
    set -- $(seq 1 "$("$info" "$disc" movies)")
fi

clips=$(mktemp -d)
trap 'rm -rf "$clips"' EXIT

# One clip: as long as asked, halved until it fits the movie's range.
make_clip() {
    n=$1
    clip="$clips/$(printf 'clip-%02d.cpk' "$n")"
    title=$("$info" "$disc" title "$n")
    room=$("$info" "$disc" bytes "$n")
    s=$seconds
    while :; do
        CLIP_TITLE=$title "$here/make-film-clip.sh" "$n" "$clip" "$s"
        [ "$(wc -c <"$clip")" -gt "$room" ] || return 0
        [ "$s" -gt 1 ] || { echo "make-film-archive.sh: no clip fits movie $n" >&2; return 1; }
        s=$((s / 2))
    done
}

# As many clips at a time as there are processors.
jobs=$(nproc 2>/dev/null || echo 1)
running=0
pids=""
failed=0
for n in "$@"; do
    make_clip "$n" &
    pids="$pids $!"
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        for p in $pids; do wait "$p" || failed=1; done
        pids="" running=0
    fi
done
for p in $pids; do wait "$p" || failed=1; done
[ "$failed" -eq 0 ] || exit 1
"$maker" --disc "$disc" --clips "$clips" "$out"
