#!/bin/sh
# Redraws the program's picture for the About box: a letter falling into a trawl net. The JPEG is
# kept in the repository; run this only after changing the drawing. It is drawn eight times larger
# and scaled down for smooth edges; metadata is stripped so the bytes stay the same.
set -e
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The tile: a deep-sea gradient in a rounded square, on the white of the box's panel.
convert -size 424x456 xc:white \
  \( -size 424x456 gradient:'#4a8fd6'-'#0f335f' \) \
  \( -size 424x456 xc:black -fill white -draw 'roundrectangle 6,6 417,449 76,76' \) \
  -composite "$work/tile.png"

# The letter, tilted as if it were sinking.
convert "$work/tile.png" \
  -fill '#fdfdfd' -stroke '#0b2a55' -strokewidth 8 \
  -draw 'translate 212,168 rotate -9 rectangle -124,-80 124,80' \
  -fill none -strokewidth 8 \
  -draw 'translate 212,168 rotate -9 polyline -124,-80 0,14 124,-80' \
  -stroke '#9db4d3' -strokewidth 6 \
  -draw 'translate 212,168 rotate -9 line -120,76 -36,4' \
  -draw 'translate 212,168 rotate -9 line 120,76 36,4' \
  "$work/letter.png"

# The net: a diamond mesh inside a bag that hangs from the rope.
convert -size 424x456 xc:none -stroke '#f4b63f' -strokewidth 11 \
  -draw "$(i=-456; while [ $i -le 424 ]; do
             printf 'line %d,0 %d,456 line %d,0 %d,456 ' $i $((i + 456)) $((i + 456)) $i
             i=$((i + 58)); done)" \
  "$work/mesh.png"
convert -size 424x456 xc:black -fill white \
  -draw 'path "M 34,236 Q 60,452 212,440 Q 364,452 390,236 Z"' "$work/bag.png"
convert "$work/letter.png" "$work/mesh.png" "$work/bag.png" -composite \
  -fill none -stroke '#f4b63f' -strokewidth 14 \
  -draw 'path "M 22,234 Q 212,262 402,234"' \
  -fill '#e8552d' -stroke '#7a1f0c' -strokewidth 5 \
  -draw 'circle 64,240 64,262' -draw 'circle 162,251 162,273' \
  -draw 'circle 262,251 262,273' -draw 'circle 360,240 360,262' \
  "$work/picture.png"

convert "$work/picture.png" -filter Lanczos -resize 53x57\! \
  -strip -sampling-factor 1x1 -quality 92 Trawlex.jpg
