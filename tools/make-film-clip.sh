#!/bin/sh
# make-film-clip.sh N OUT.cpk [SECONDS]
#
# Makes a short FILM/CPK movie with the ffmpeg command: a Cinepak test pattern
# (160x120, 15 frames a second) marked with movie number N, and a sine tone
# whose pitch also follows N, as planar PCM. SECONDS defaults to 1.
# CLIP_SYNC=1 makes black pictures and silence instead, with a white picture
# and a click together at each whole second, for timing picture against sound.
# CLIP_AUDIO_BITS=8|16 (default 16) and CLIP_CHANNELS=1|2 (default 2) choose
# the audio layout; CLIP_CHANNELS=0 makes a silent movie, with no sound at
# all. CLIP_SIZE=WxH (default 160x120) sets the picture size. CLIP_TITLE
# draws a title (UTF-8) along the bottom in a Japanese font. Quiet unless
# something fails; exits non-zero on failure and never leaves a partial OUT
# behind.
set -eu

usage() {
    echo "usage: make-film-clip.sh N OUT.cpk [SECONDS]" >&2
    exit 2
}

# The picture, the box that moves with N, and the sound.
width=160 height=120 rate=15 box_side=40
sample_rate=22050 base_pitch=330 pitch_step=55 pitch_steps=12
max_seconds=600

if [ $# -lt 2 ] || [ $# -gt 3 ]; then usage; fi
n=$1
out=$2
secs=${3:-1}
bits=${CLIP_AUDIO_BITS:-16}
channels=${CLIP_CHANNELS:-2}
size=${CLIP_SIZE:-${width}x$height}

case $n in '' | *[!0-9]*) usage ;; esac
case $secs in '' | *[!0-9.]* | *.*.* | .) usage ;; esac
awk -v s="$secs" -v max="$max_seconds" 'BEGIN { exit !(s > 0 && s <= max) }' || usage
case $bits in 8) acodec=pcm_s8_planar ;; 16) acodec=pcm_s16be_planar ;; *) usage ;; esac
case $channels in 0 | 1 | 2) ;; *) usage ;; esac
case $size in [1-9]*x[1-9]*) ;; *) usage ;; esac
width=${size%x*}
height=${size#*x}
case $width$height in *[!0-9]*) usage ;; esac
# The box must fit; past 4096 a clip would take ages to encode.
if [ "$width" -le "$box_side" ] || [ "$height" -le "$box_side" ] ||
    [ "$width" -gt 4096 ] || [ "$height" -gt 4096 ]; then
    usage
fi
command -v ffmpeg >/dev/null 2>&1 || { echo "make-film-clip.sh: ffmpeg not found" >&2; exit 1; }

# Big numbers only matter modulo the palette and the box grid; strip leading
# zeros so the shell does not read N as octal.
k=$(printf '%s' "$n" | sed 's/^0*//')
k=$(( ${k:-0} % 1000 ))
set -- red orange yellow lime cyan blue magenta white
shift $(( k % $# ))
colour=$1
boxx=$(( (k * 37) % (width - box_side) ))
boxy=$(( (k * 23) % (height - box_side) ))
freq=$(( base_pitch + pitch_step * (k % pitch_steps) ))
box="drawbox=x=$boxx:y=$boxy:w=$box_side:h=$box_side:color=$colour:t=fill"

# The number itself needs a font; without one the box still tells clips apart.
font=""
if command -v fc-match >/dev/null 2>&1; then
    font=$(fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null || true)
fi
if [ -z "$font" ] || [ ! -f "$font" ]; then
    font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
fi
case $font in *[:\'\\]*) font="" ;; esac
text=""
if [ -f "$font" ]; then
    text=",drawtext=fontfile=$font:text=$n:fontsize=44:fontcolor=white:borderw=3:bordercolor=black:x=(w-text_w)/2:y=(h-text_h)/2"
fi

tmp="$out.part$$"
title_file="$out.title$$"
trap 'rm -f "$tmp" "$title_file"' EXIT

# The title on a dark band, as large as its length lets it be; read from a
# file, unexpanded, so that no character of it means anything to ffmpeg.
title=${CLIP_TITLE:-}
if [ -n "$title" ] && command -v fc-match >/dev/null 2>&1; then
    jfont=$(fc-match -f '%{file}' 'Noto Sans CJK JP:bold' 2>/dev/null || true)
    case $jfont in *[:\'\\]*) jfont="" ;; esac
    if [ -n "$jfont" ] && [ -f "$jfont" ]; then
        printf '%s' "$title" >"$title_file"
        chars=$(LC_ALL=C.UTF-8 wc -m <"$title_file")
        size=$(( (width - 8) / (chars > 0 ? chars : 1) ))
        [ "$size" -le 18 ] || size=18
        [ "$size" -ge 8 ] || size=8
        band=$(( size + 8 ))
        text="$text,drawbox=x=0:y=ih-$band:w=iw:h=$band:color=black@0.7:t=fill"
        text="$text,drawtext=fontfile=$jfont:textfile=$title_file:expansion=none:fontsize=$size:fontcolor=white:x=(w-text_w)/2:y=h-$band+4"
    fi
fi
trap 'exit 1' INT TERM HUP

encode() {
    if [ "$channels" -eq 0 ]; then
        set -- "$1" -an
    else
        sound="sine=frequency=$freq:sample_rate=$sample_rate:duration=$secs"
        if [ "${CLIP_SYNC:-0}" = 1 ]; then
            sound="aevalsrc=if(lt(mod(t\,1)\,0.01)\,0.8*sin(2*PI*1000*t)\,0):s=$sample_rate:d=$secs"
        fi
        set -- "$1" -f lavfi -i "$sound" \
            -ac "$channels" -c:a "$acodec"
    fi
    vf=$1
    shift
    picture="testsrc=size=${width}x$height:rate=$rate:duration=$secs"
    if [ "${CLIP_SYNC:-0}" = 1 ]; then
        picture="color=c=black:size=${width}x$height:rate=$rate:duration=$secs"
        vf="drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:enable=lt(mod(n\,$rate)\,1)"
    fi
    ffmpeg -nostdin -hide_banner -loglevel error -y \
        -f lavfi -i "$picture" \
        "$@" -vf "$vf" -pix_fmt rgb24 -c:v cinepak \
        -fflags +bitexact -flags +bitexact \
        -f film_cpk "$tmp"
}

if [ -n "$text" ] && encode "$box$text" 2>/dev/null; then
    :
else
    encode "$box"
fi
mv -f "$tmp" "$out"
trap - EXIT
