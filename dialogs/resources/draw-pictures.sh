#!/bin/bash
# Redraws the about box's emblem (47x47) and large picture (320x224) as
# 8-bit palette PNGs. Needs ImageMagick and the Noto CJK fonts.
set -euo pipefail
cd "$(dirname "$0")"
FONT=${FONT:-/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc}

convert -size 47x47 xc:'#15204a' \
  \( -size 47x47 radial-gradient:'rgba(255,240,150,0.85)'-'rgba(255,240,150,0)' \) -geometry +3+5 -composite \
  -fill '#7fcf86' -stroke none -draw "ellipse 17,17 6,12 0,360" \
  -fill '#ffd84a' -draw "circle 26,29 26,37" \
  -fill '#fff6b0' -draw "circle 25,28 25,31" \
  PNG8:emblem.png

args=(-size 320x224 gradient:'#243a7a'-'#0a1030' -fill '#e8ecff')
for star in 20,14 61,30 112,9 150,40 201,18 247,33 290,12 305,52 35,58 180,62; do
  args+=(-draw "point $star")
done
flies=("70 120 46" "150 95 60" "232 130 42" "275 80 36" "110 165 34" "200 175 30")
for fly in "${flies[@]}"; do
  read -r x y d <<<"$fly"
  args+=(\( -size "${d}x${d}" radial-gradient:'rgba(255,236,140,0.9)'-'rgba(255,236,140,0)' \)
         -geometry "+$((x - d / 2))+$((y - d / 2))" -composite)
done
args+=(-fill '#050a1c' -draw 'path "M 0,224 L 0,190 Q 20,170 30,192 Q 42,160 55,195 Q 70,178 80,196 Q 95,150 108,198 Q 125,182 140,200 Q 160,168 172,199 Q 190,185 205,201 Q 222,158 236,198 Q 252,180 268,200 Q 285,172 296,197 Q 310,184 320,192 L 320,224 Z"')
for fly in "${flies[@]}"; do
  read -r x y _ <<<"$fly"
  args+=(-fill '#ffe066' -draw "circle $x,$y $((x + 3)),$y" -fill '#fffbe0' -draw "point $x,$y")
done
args+=(-fill '#7fcf86' -draw 'ellipse 144,88 4,8 0,360' -fill '#ffd84a' -draw 'circle 150,95 155,95'
       -fill '#fff6b0' -draw 'circle 149,94 149,96'
       -font "$FONT" -pointsize 20 -fill '#fff3b0' -gravity north -annotate +0+22 'ホタル奇譚'
       -pointsize 12 -fill '#c9d3ff' -annotate +0+48 'ムービーカッター'
       -dither FloydSteinberg -colors 256 PNG8:picture.png)
convert "${args[@]}"
