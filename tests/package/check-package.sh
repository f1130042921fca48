#!/bin/sh
# check-package.sh BUILD_DIR VERSION MAKE_SAMPLE_ARCHIVE CLIP_SCRIPT
#
# Makes the Debian package from BUILD_DIR's CPack configuration into a scratch
# folder (or takes HOTARU_PACKAGE_DEB, say one made by scripts/package.sh),
# unpacks it with dpkg-deb -x and checks its files, its control fields, and the
# unpacked program answering --version, --list and --extract --avi with its own
# converter, without a display. Where the test command installed every tool
# (HOTARU_REQUIRE_TOOLS=1), a missing validator fails instead of being skipped.
set -eu
build=$1
version=$2
make_sample=$3
clip_script=$4

scratch=$(mktemp -d "${TMPDIR:-/tmp}/hotaru-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if [ -n "${HOTARU_PACKAGE_DEB:-}" ]; then
    deb=$HOTARU_PACKAGE_DEB
else
    # The install script writes its manifest into the build tree, which the
    # suites, run as another user, may not write: CPack runs a copy of it that
    # writes the manifest into scratch instead.
    mkdir "$scratch/tree"
    sed "s|file(WRITE \"$build/|file(WRITE \"$scratch/tree/|" "$build/cmake_install.cmake" >"$scratch/tree/cmake_install.cmake"
    if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" \
        -D "CPACK_INSTALL_CMAKE_PROJECTS=$scratch/tree;HotaruMovieCutter;ALL;/" >"$scratch/cpack.log" 2>&1; then
        cat "$scratch/cpack.log" >&2
        echo "FAIL: cpack could not make the package" >&2
        exit 1
    fi
    deb=$(ls "$scratch"/pkg/hotaru-movie-cutter_*.deb)
fi
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "hotaru-movie-cutter_${version}_${arch}.deb" ] || fail "package file named $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = hotaru-movie-cutter ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
case $(field Maintainer) in *@*) fail "Maintainer carries an address: $(field Maintainer)" ;; esac
depends=$(field Depends)
for lib in libqt6widgets6 libqt6core6 libqt6multimedia6 libavformat59 libavcodec59; do
    case $depends in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
# Qt's own texts in Japanese and English, which no binary links.
case ", $depends," in *", qt6-translations-l10n,"*) ;; *) fail "Depends lacks qt6-translations-l10n: $depends" ;; esac
# The titles are Japanese on an English system too.
case ", $(field Recommends)," in *", fonts-noto-cjk,"*) ;; *) fail "Recommends lacks fonts-noto-cjk: $(field Recommends)" ;; esac

# Exactly these files, so nothing of the tests, tools or benchmark slips in.
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
expected="usr/bin/cpk2avi
usr/bin/hotaru-movie-cutter
usr/share/applications/hotaru-movie-cutter.desktop
usr/share/doc/hotaru-movie-cutter/copyright
usr/share/icons/hicolor/16x16/apps/hotaru-movie-cutter.png
usr/share/icons/hicolor/256x256/apps/hotaru-movie-cutter.png
usr/share/icons/hicolor/32x32/apps/hotaru-movie-cutter.png
usr/share/icons/hicolor/48x48/apps/hotaru-movie-cutter.png
usr/share/man/ja/man1/hotaru-movie-cutter.1.gz
usr/share/man/man1/hotaru-movie-cutter.1.gz
usr/share/metainfo/io.github.hotaru_movie_cutter.hotaru_movie_cutter.metainfo.xml"
found=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$found" != "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ]; then
    fail "the package holds:"
    printf '%s\n' "$found" >&2
fi
grep -q '^License: GPL-3+$' "$root/usr/share/doc/hotaru-movie-cutter/copyright" ||
    fail "the copyright file names no GPL-3+ licence"
for program in hotaru-movie-cutter cpk2avi; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
for size in 16 32 48 256; do
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    header=$(od -An -tu1 -N24 "$root/usr/share/icons/hicolor/${size}x${size}/apps/hotaru-movie-cutter.png" | tr -s ' \n' ' ')
    [ "$header" = " 137 80 78 71 13 10 26 10 0 0 0 13 73 72 68 82 0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256)) " ] ||
        fail "the ${size}x${size} icon is not a PNG of that size:$header"
done
# A file manager offers the program for disc images.
grep -qx 'MimeType=application/x-cd-image;application/x-cue;application/x-mame-chd;application/x-raw-disk-image;' \
    "$root/usr/share/applications/hotaru-movie-cutter.desktop" || fail "the desktop entry declares no disc image types"
# have TOOL (PACKAGE): whether TOOL is there; a missing one is skipped, or
# fails where the test command installed every tool.
have() {
    command -v "$1" >/dev/null 2>&1 && return 0
    if [ "${HOTARU_REQUIRE_TOOLS:-0}" = 1 ]; then
        fail "$1 is not installed ($2; HOTARU_REQUIRE_TOOLS=1)"
    else
        echo "skip: $1 is not installed ($2)" >&2
    fi
    return 1
}
desktop="$root/usr/share/applications/hotaru-movie-cutter.desktop"
if have desktop-file-validate desktop-file-utils; then
    desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
fi
# An English system lists the program by its English name, a Japanese one by
# the Japanese.
grep -qx 'Name=Hotaru Kitan Movie Cutter' "$desktop" || fail "the desktop entry has no English name"
grep -qx 'Name\[ja\]=ホタル奇譚ムービーカッター' "$desktop" || fail "the desktop entry has no Japanese name"

# The software centres' entry: valid, of this version, and naming the desktop
# entry and the programs this package holds.
metainfo="$root/usr/share/metainfo/io.github.hotaru_movie_cutter.hotaru_movie_cutter.metainfo.xml"
if [ -f "$metainfo" ]; then
    if have appstreamcli appstream; then
        appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
            fail "the metainfo is not valid: $(cat "$scratch/appstream.log")"
    fi
    grep -q "<release version=\"$version\" date=\"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\"" "$metainfo" ||
        fail "the metainfo names no release $version with its date"
    launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
    if [ -z "$launchable" ] || [ ! -f "$root/usr/share/applications/$launchable" ]; then
        fail "the metainfo launches '$launchable', which the package does not hold"
    fi
    sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo" >"$scratch/binaries"
    [ -s "$scratch/binaries" ] || fail "the metainfo provides no program"
    while read -r binary; do
        [ -x "$root/usr/bin/$binary" ] || fail "the metainfo provides $binary, which the package does not hold"
    done <"$scratch/binaries"
    for lang in "" ' xml:lang="ja"'; do
        for tag in name summary; do
            grep -q "<$tag$lang>[^<]" "$metainfo" || fail "the metainfo has no <$tag$lang>"
        done
    done
fi

# Both manual pages name the version and render: the Japanese one through
# man's Japanese macros, which it takes from the page's folder.
for page in man/man1:"EXIT STATUS" man/ja/man1:"終了ステータス"; do
    file="$root/usr/share/${page%%:*}/hotaru-movie-cutter.1.gz"
    [ -f "$file" ] || continue
    zcat "$file" | grep -q "^\.TH .*\"hotaru-movie-cutter $version\"" ||
        fail "the manual page ${page%%:*} does not name version $version in its heading"
    if have man man-db; then
        LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" >"$scratch/man.out" 2>"$scratch/man.err"
        grep -q "${page#*:}" "$scratch/man.out" || fail "the manual page ${page%%:*} does not render: $(cat "$scratch/man.err")"
        # Japanese text that groff cannot break runs past the width.
        width=$(LC_ALL=C.UTF-8 wc -L <"$scratch/man.out")
        [ "$width" -le 80 ] || fail "the manual page ${page%%:*} renders $width columns wide, not 80"
    fi
done

# The unpacked program runs on Debian's libraries, headless, and finds the
# converter beside it.
program="$root/usr/bin/hotaru-movie-cutter"
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
[ "$(headless "$program" --version)" = "hotaru-movie-cutter $version" ] || fail "--version answers $(headless "$program" --version 2>&1)"
"$make_sample" --disc 2 "$scratch/disc2/hotaru4" >/dev/null
headless "$program" --list "$scratch/disc2/hotaru4" >"$scratch/list" || fail "--list failed"
[ "$(head -n 1 "$scratch/list")" = "Disc 2: $scratch/disc2/hotaru4 (19 movies)" ] || fail "--list printed $(head -n 1 "$scratch/list")"
[ "$(wc -l <"$scratch/list")" -eq 20 ] || fail "--list printed $(wc -l <"$scratch/list") lines"
if command -v ffmpeg >/dev/null 2>&1; then
    mkdir "$scratch/clips" "$scratch/out"
    "$clip_script" 6 "$scratch/clips/clip-06.cpk"
    "$make_sample" --disc 1 --clips "$scratch/clips" "$scratch/disc1/hotaru4" >/dev/null
    headless "$program" --extract "$scratch/disc1/hotaru4" --out "$scratch/out" --avi 6 >"$scratch/extract" 2>&1 ||
        fail "--extract --avi failed: $(cat "$scratch/extract")"
    [ -s "$scratch/out/ソナタの調べ.avi" ] || fail "--extract --avi left no AVI: $(ls "$scratch/out")"
fi

[ "$failures" -eq 0 ] || exit 1
echo "$(basename "$deb"): files, fields and program as expected"
