#!/usr/bin/env bash
# The Windows program itself under Wine, the stand-in archive (disc 1) on the
# CD-ROM drive Q:
#   window   on an X server (Xvfb) its window is titled exactly as on Linux,
#            and no other window (the no-CD box) shows
#   list     --list lists disc 1 from Q:
#   extract  --extract copies every movie byte for byte
#   avi      --extract --avi with cpk2avi.exe writes AVIs that Wine's own
#            AVIFile opens
#   chd      --list and --extract read a CHD image made by the host's chdman
#            from the maker's BIN/CUE (skipped without chdman)
#   images   --list reads a Shift-JIS CUE sheet and an Alcohol .mds the
#            maker wrote
#   mp4      --extract --mp4 with cpk2avi.exe writes MP4s (H.264, AAC) whose
#            codecs and frame counts the host's ffprobe checks
#   mkv      --extract --mkv with cpk2avi.exe, a Shift-JIS subtitle file and
#            --checksums: the host's ffprobe finds Cinepak, PCM and a Japanese
#            SRT track, and sha256sum -c checks the list
#   putback  --put-back burns a Shift-JIS subtitle file into movie 2 from Q:
#            into a copy of the archive: every other byte as on Q:, movie 2
#            a FILM of Cinepak pictures that the host's ffmpeg decodes
#   console  hotaru-movie-cutter.com waits for the program and returns its
#            exit code, with its output
#   language --help follows the system's language: Japanese with
#            LANG=ja_JP.UTF-8, English with LANG=de_DE.UTF-8
# Usage: tests/windows/run-program.sh BUILD-DIR [SCREENSHOT.png]
# BUILD-DIR is scripts/windows-build.sh's; the avi case also needs the
# avifile-check.exe of scripts/windows-gui-tests.sh's build in
# AVIFILE_CHECK, and is skipped without it.
set -uo pipefail

window_mode=0
if [ "${1:-}" = --window ]; then
  window_mode=1
  shift
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${1:?usage: run-program.sh BUILD-DIR [SCREENSHOT.png]}" && pwd)"
shot="${2:-}"
program="$build/src/hotaru-movie-cutter.exe"
console="$build/src/hotaru-movie-cutter.com"
converter="$build/src/cpk2avi.exe"
maker="$build/tools/make-sample-archive.exe"
main_title="ホタル奇譚ムービーカッター"
for f in "$program" "$console" "$converter" "$maker"; do
  [ -f "$f" ] || { echo "run-program.sh: $f is missing: run scripts/windows-build.sh" >&2; exit 2; }
done
for tool in xvfb-run xdotool xprop ffmpeg ffprobe; do
  command -v "$tool" >/dev/null || { echo "run-program.sh: $tool is missing: run scripts/setup.sh" >&2; exit 2; }
done

WORK="$build/wine-program"
((window_mode)) || rm -rf "$WORK"
mkdir -p "$WORK"
# shellcheck source=tests/windows/wine-prefix.sh
. "$root/tests/windows/wine-prefix.sh"
trap '"$wineserver" -k 2>/dev/null || true' EXIT

# The window, in the prefix the other cases made: titled exactly as on Linux,
# and nothing else shown (no no-CD box).
if ((window_mode)); then
  title_of() { timeout 5 xprop -id "$1" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'; }
  cd "$WORK" || exit 1
  "${wine[@]}" "$program" >"$WORK/window.log" 2>&1 </dev/null &
  pid=$!
  id=
  # Wine starts slowly on a busy machine: up to two minutes.
  for ((i = 0; i < 1200; i++)); do
    # Compared here: xdotool's own pattern would need a UTF-8 locale.
    for w in $(timeout 5 xdotool search --onlyvisible --name . 2>/dev/null); do
      [ "$(title_of "$w")" = "$main_title" ] && id="$w"
    done
    [ -n "$id" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$id" ]; then
    shown="$(for w in $(timeout 5 xdotool search --onlyvisible --name . 2>/dev/null); do title_of "$w"; done | sort -u)"
    echo "FAIL: no window titled $main_title; shown: $(paste -sd '|' <<<"$shown")"
    cat "$WORK/window.log"
    exit 1
  fi
  # Whatever else would come up (a no-CD box) comes with the main window.
  sleep 3
  titles="$(for w in $(timeout 5 xdotool search --onlyvisible --name . 2>/dev/null); do title_of "$w"; done | sort -u)"
  title="$(title_of "$id")"
  if [ -n "$shot" ]; then
    import -window "$id" "$shot" 2>/dev/null || echo "FAIL: no screenshot"
  fi
  "$wineserver" -k 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ "$title" != "$main_title" ] || [ "$titles" != "$main_title" ]; then
    echo "FAIL: window titles: $(paste -sd '|' <<<"$titles")"
    exit 1
  fi
  echo "ok: the window is titled exactly $title, and no other window shows"
  exit 0
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Disc 1 with real FILM clips at the start of movies 1 to 3.
cd_q="$WORK/cd-q"
clips="$WORK/clips"
mkdir -p "$cd_q" "$clips"
for n in 1 2 3; do
  "$root/tools/make-film-clip.sh" "$n" "$clips/clip-$(printf %02d "$n").cpk" ||
    { echo "run-program.sh: cannot make a FILM clip" >&2; exit 1; }
done
new_prefix "$cd_q"
wine_server_start
cd "$WORK" || exit 1
"${wine[@]}" "$maker" --clips "$(winpath "$clips")" "$(winpath "$cd_q/hotaru4")" >/dev/null 2>"$WORK/maker.log" </dev/null ||
  { cat "$WORK/maker.log"; echo "run-program.sh: make-sample-archive.exe failed" >&2; exit 1; }

# --- list
"${wine[@]}" "$program" --list 2>"$WORK/list.err" </dev/null | tr -d '\r' >"$WORK/list.txt"
rc=$?
# The prefix is a Japanese system: the command line speaks Japanese.
if [ "$rc" -eq 0 ] && grep -qx 'ディスク 1: Q:\\hotaru4 (ムービー 31 本)' "$WORK/list.txt"; then
  pass "--list lists disc 1 from Q: ($(grep -c '^ *[0-9]' "$WORK/list.txt") movies)"
else
  fail "--list (exit $rc):"; cat "$WORK/list.txt" "$WORK/list.err"
fi

# --- language: the system's, from the process's own locale (Wine takes it
# from LANG); German is neither language the program speaks, so English.
localedef -i de_DE -f UTF-8 "$locales/de_DE.UTF-8" >/dev/null 2>&1 || true
if [ -f "$locales/de_DE.UTF-8/LC_CTYPE" ]; then
  for case in ja_JP.UTF-8:使い方: de_DE.UTF-8:Usage:; do
    lang="${case%%:*}" expected="${case#*:}"
    first="$(env -u LC_ALL -u LANGUAGE -u LC_MESSAGES LOCPATH="$locales" LANG="$lang" "$wine64" "$program" --help \
      2>"$WORK/help.err" </dev/null | head -n 1 | tr -d '\r')"
    if [ "${first%% *}" = "$expected" ]; then
      pass "with LANG=$lang --help starts with $expected"
    else
      fail "with LANG=$lang --help starts: $first"; cat "$WORK/help.err"
    fi
  done
else
  fail "cannot compile the de_DE.UTF-8 locale: install locales (scripts/setup.sh)"
fi

# --- extract: each movie against its bytes in the archive, which holds the
# movies end to end in the listed order.
out="$WORK/out"
mkdir -p "$out"
"${wine[@]}" "$program" --extract --out "$(winpath "$out")" >"$WORK/extract.txt" 2>&1 </dev/null
rc=$?
offset=0
checked=0
bad=0
while IFS=$'\t' read -r n title bytes; do
  file="$out/$title.cpk"
  if ! [ -f "$file" ] || ! cmp -s "$file" <(tail -c +"$((offset + 1))" "$cd_q/hotaru4" | head -c "$bytes"); then
    fail "movie $n ($title) is not the archive's $bytes bytes at $offset"
    bad=$((bad + 1))
  fi
  offset=$((offset + bytes))
  checked=$((checked + 1))
done < <(sed -n 's/^ *\([0-9][0-9]*\)  *\(.*[^ ]\)  *\([0-9][0-9]*\) バイト .*/\1\t\2\t\3/p' "$WORK/list.txt")
if [ "$rc" -eq 0 ] && [ "$checked" -eq 31 ] && [ "$bad" -eq 0 ] && [ "$offset" -eq "$(stat -c %s "$cd_q/hotaru4")" ]; then
  pass "--extract wrote all 31 movies byte-exact"
else
  fail "--extract (exit $rc, $checked movies checked, $bad wrong)"; head -n 20 "$WORK/extract.txt"
fi

# --- chd: the CHD codecs (zlib, LZMA, FLAC) built into the .exe
if command -v chdman >/dev/null; then
  images="$WORK/images"
  mkdir -p "$images"
  "${wine[@]}" "$maker" --bin-cue "$(winpath "$images/disc1.cue")" >/dev/null 2>"$WORK/chd.log" </dev/null &&
    chdman createcd -i "$images/disc1.cue" -o "$images/disc1.chd" >>"$WORK/chd.log" 2>&1
  rc=$?
  if [ "$rc" -eq 0 ]; then
    "${wine[@]}" "$program" --list "$(winpath "$images/disc1.chd")" 2>>"$WORK/chd.log" </dev/null | tr -d '\r' >"$WORK/chd-list.txt"
    mkdir -p "$WORK/chd-out"
    "${wine[@]}" "$program" --extract "$(winpath "$images/disc1.chd")" --out "$(winpath "$WORK/chd-out")" 31 \
      >>"$WORK/chd.log" 2>&1 </dev/null
    rc=$?
    last="$(sed -n 's/^31  *\(.*[^ ]\)  *\([0-9][0-9]*\) バイト .*/\1\t\2/p' "$WORK/list.txt")"
    title="${last%%$'\t'*}" bytes="${last#*$'\t'}"
    size="$(stat -c %s "$cd_q/hotaru4" 2>/dev/null || echo 0)"
    if [ "$rc" -eq 0 ] && grep -q '^ディスク 1: .*disc1.chd (ムービー 31 本)$' "$WORK/chd-list.txt" &&
      cmp -s "$WORK/chd-out/$title.cpk" <(tail -c "$bytes" "$cd_q/hotaru4") && [ "$size" -gt 0 ]; then
      pass "a CHD image: --list reads disc 1 and --extract writes movie 31 byte-exact"
    else
      fail "the CHD image (exit $rc):"; cat "$WORK/chd-list.txt" "$WORK/chd.log" | head -n 20
    fi
  else
    fail "no CHD image to read:"; tail -n 5 "$WORK/chd.log"
  fi
elif [ "${HOTARU_REQUIRE_TOOLS:-}" = 1 ]; then
  fail "CHD image: chdman is not installed (HOTARU_REQUIRE_TOOLS=1)"
else
  echo "skip: CHD image (chdman is not installed)"
fi

# --- images as Japanese tools write them: a Shift-JIS CUE sheet, an Alcohol .mds
for kind in "--bin-cue --sjis|ホタル (Disc 1).cue" "--mds --sector 2448|disc1.mds"; do
  flags="${kind%%|*}" name="${kind#*|}"
  image="$WORK/images-jp/$name"
  mkdir -p "$WORK/images-jp"
  # shellcheck disable=SC2086  # the flags are words
  "${wine[@]}" "$maker" $flags "$(winpath "$image")" >/dev/null 2>"$WORK/jp.log" </dev/null
  "${wine[@]}" "$program" --list "$(winpath "$image")" 2>>"$WORK/jp.log" </dev/null | tr -d '\r' >"$WORK/jp-list.txt"
  if grep -q "^ディスク 1: .*$name (ムービー 31 本)\$" "$WORK/jp-list.txt"; then
    pass "--list reads disc 1 from $name ($flags)"
  else
    fail "--list of $name ($flags):"; cat "$WORK/jp-list.txt" "$WORK/jp.log" | head -n 10
  fi
done

# --- avi
avi_out="$WORK/avi"
mkdir -p "$avi_out"
"${wine[@]}" "$program" --extract --out "$(winpath "$avi_out")" --avi --converter "$(winpath "$converter")" 1 2 3 \
  >"$WORK/avi.txt" 2>&1 </dev/null
rc=$?
avis=("$avi_out"/*.avi)
if [ "$rc" -eq 0 ] && [ "${#avis[@]}" -eq 3 ] && [ -f "${avis[0]}" ]; then
  pass "--avi wrote ${#avis[@]} AVIs with cpk2avi.exe"
  if [ -n "${AVIFILE_CHECK:-}" ]; then
    for a in "${avis[@]}"; do
      if info="$("${wine[@]}" "$AVIFILE_CHECK" "$(winpath "$a")" 2>&1 </dev/null)"; then
        pass "AVIFile opens $(basename "$a"): $info"
      else
        fail "AVIFile cannot open $(basename "$a"): $info"
      fi
    done
  else
    echo "skip: AVIFile check (no AVIFILE_CHECK)"
  fi
else
  fail "--avi (exit $rc):"; cat "$WORK/avi.txt"; ls -la "$avi_out"
fi

# --- mp4: the bundled converter beside the program, checked by the host's ffprobe
mp4_out="$WORK/mp4"
mkdir -p "$mp4_out"
"${wine[@]}" "$program" --extract --out "$(winpath "$mp4_out")" --mp4 1 2 3 >"$WORK/mp4.txt" 2>&1 </dev/null
rc=$?
mp4s=("$mp4_out"/*.mp4)
if [ "$rc" -eq 0 ] && [ "${#mp4s[@]}" -eq 3 ] && [ -f "${mp4s[0]}" ]; then
  for m in "${mp4s[@]}"; do
    streams="$(ffprobe -v error -count_frames -show_entries stream=codec_name,pix_fmt,nb_read_frames \
      -of compact=p=0:nk=1 "$m" 2>&1 | paste -sd ' ')"
    case "$streams" in
      "h264|yuv420p|15 aac|"*) pass "--mp4: $(basename "$m"): $streams" ;;
      *) fail "--mp4: $(basename "$m") holds $streams, not 15 H.264 frames and AAC" ;;
    esac
  done
  [ -z "$(ls "$mp4_out"/*.cpk 2>/dev/null)" ] || fail "--mp4 left .cpk files behind"
else
  fail "--mp4 (exit $rc):"; cat "$WORK/mp4.txt"; ls -la "$mp4_out"
fi

# --- mkv: the archival MKV with subtitles in Shift-JIS named like the movie
mkv_out="$WORK/mkv" subs="$WORK/subs"
mkdir -p "$mkv_out" "$subs"
first="$(sed -n 's/^ *1  *\(.*[^ ]\)  *[0-9][0-9]* バイト .*/\1/p' "$WORK/list.txt")"
printf '1\r\n00:00:00,100 --> 00:00:00,800\r\nこんにちは\r\n' | iconv -f UTF-8 -t CP932 >"$subs/$first.srt"
"${wine[@]}" "$program" --extract --out "$(winpath "$mkv_out")" --mkv --subtitles "$(winpath "$subs")" \
  --checksums 1 >"$WORK/mkv.txt" 2>&1 </dev/null
rc=$?
mkv="$mkv_out/$first.mkv"
streams="$(ffprobe -v error -show_entries stream=codec_name:stream_tags=language -of csv=p=0 "$mkv" 2>&1 |
  paste -sd ' ')"
cue="$(ffmpeg -nostdin -v error -i "$mkv" -map 0:s -f srt - 2>/dev/null | tr -d '\r' | sed -n 3p)"
if [ "$rc" -eq 0 ] && [ "$streams" = "cinepak pcm_s16le subrip,jpn" ] && [ "$cue" = こんにちは ] &&
  (cd "$mkv_out" && sha256sum -c --strict --quiet SHA256SUMS); then
  pass "--mkv --subtitles --checksums: $first.mkv holds $streams, its cue reads $cue, SHA256SUMS checks"
else
  fail "--mkv --subtitles (exit $rc): $streams, cue '$cue':"; cat "$WORK/mkv.txt"; ls -la "$mkv_out"
fi

# --- putback: a translation's subtitles drawn into movie 2, into a copy
putback_out="$WORK/putback"
mkdir -p "$putback_out"
printf '1\r\n00:00:00,000 --> 00:00:00,600\r\nこんにちは\r\n' | iconv -f UTF-8 -t CP932 >"$WORK/putback.srt"
# The prefix's Fonts folder holds Noto rather than a Japanese Windows' own faces.
HOTARU_SUBTITLE_FONT='C:\windows\Fonts\NotoSansCJK-Regular.ttc' "${wine[@]}" "$program" --put-back 2 \
  "$(winpath "$WORK/putback.srt")" "Q:\\hotaru4" --out "$(winpath "$putback_out")" >"$WORK/putback.txt" 2>&1 </dev/null
rc=$?
read -r first_bytes second_bytes < <(sed -n 's/^ *[12]  *.*[^ ]  *\([0-9][0-9]*\) バイト .*/\1/p' "$WORK/list.txt" | paste -sd ' ')
copy="$putback_out/hotaru4"
movie2="$WORK/putback-movie2.cpk"
if [ -f "$copy" ]; then
  tail -c +"$((first_bytes + 1))" "$copy" | head -c "$second_bytes" >"$movie2"
fi
codec="$(ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 "$movie2" 2>&1)"
if [ "$rc" -eq 0 ] && [ "$(stat -c %s "$copy")" -eq "$(stat -c %s "$cd_q/hotaru4")" ] &&
  cmp -s <(head -c "$first_bytes" "$copy") <(head -c "$first_bytes" "$cd_q/hotaru4") &&
  cmp -s <(tail -c +"$((first_bytes + second_bytes + 1))" "$copy") \
    <(tail -c +"$((first_bytes + second_bytes + 1))" "$cd_q/hotaru4") &&
  ! cmp -s "$movie2" <(tail -c +"$((first_bytes + 1))" "$cd_q/hotaru4" | head -c "$second_bytes") &&
  [ "$codec" = cinepak ] && ffmpeg -nostdin -v error -i "$movie2" -f null - 2>/dev/null; then
  pass "--put-back: movie 2 re-made with its subtitles ($codec), every other byte as on Q:"
else
  fail "--put-back (exit $rc, codec '$codec'):"; cat "$WORK/putback.txt"; ls -la "$putback_out"
fi

# --- console: the .com runs the command line, waits, and returns its code
"${wine[@]}" "$console" --list 2>"$WORK/com-list.err" </dev/null | tr -d '\r' >"$WORK/com-list.txt"
rc=$?
if [ "$rc" -eq 0 ] && cmp -s "$WORK/com-list.txt" "$WORK/list.txt"; then
  pass "the .com waits for --list and passes its output on"
else
  fail "the .com's --list (exit $rc):"; cat "$WORK/com-list.txt" "$WORK/com-list.err"
fi
for expected in "2 --bogus" "1 --list $(winpath "$WORK/no-such-archive")"; do
  read -r code args <<<"$expected"
  # shellcheck disable=SC2086  # the arguments are words
  "${wine[@]}" "$console" $args >"$WORK/com-code.txt" 2>&1 </dev/null
  rc=$?
  if [ "$rc" -eq "$code" ] && [ -s "$WORK/com-code.txt" ]; then
    pass "the .com returns $code for $args, with the message"
  else
    fail "the .com returned $rc for $args, not $code:"; cat "$WORK/com-code.txt"
  fi
done

# --- window: this script again, on an X server of its own (xvfb-run -a
# picks a free display number).
# Wine's desktop process keeps the display it started on: none so far.
"$wineserver" -k 2>/dev/null
"$wineserver" -w
out_window="$(xvfb-run -a -s "-screen 0 1024x768x24" "$root/tests/windows/run-program.sh" --window "$build" "$shot" 2>&1)"
echo "$out_window"
case "$out_window" in *FAIL*) failures=$((failures + 1)) ;; esac

if ((failures)); then
  echo "Windows program under Wine: $failures FAILED"
  exit 1
fi
echo "Windows program under Wine: all passed"
