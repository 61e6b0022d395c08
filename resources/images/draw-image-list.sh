#!/bin/sh
# Redraws the main window's image list (iglMain-00.png ... iglMain-09.png, 16 x 16). The PNGs are
# kept in the repository; run this only after changing a drawing. Each is drawn four times larger
# on a 64 x 64 canvas, with strokes on the 4-pixel grid, and averaged down, so edges stay crisp;
# metadata is stripped so the bytes stay the same.
#   00 mail   01 engine search   02 start   03 stop   04 options
#   05 about  06 quit            07 help    08 robot  09 browser capture
set -e
cd "$(dirname "$0")"

draw() {
  out=$1
  shift
  convert -size 64x64 xc:none "$@" -filter Box -resize 16x16 \
    -strip -define png:exclude-chunks=date,time,tIME "PNG32:$out"
}

# A sealed envelope.
draw iglMain-00.png \
  -fill '#fdfdfd' -stroke '#2c5d94' -strokewidth 4 -draw 'rectangle 4,14 60,50' \
  -fill none -draw 'polyline 4,14 32,36 60,14'

# A magnifying glass.
draw iglMain-01.png \
  -stroke '#6e4420' -strokewidth 10 -draw 'line 38,38 56,56' \
  -fill '#cfe6ff' -stroke '#1f4f8a' -strokewidth 6 -draw 'circle 26,26 26,8'

# Start: a green triangle.
draw iglMain-02.png \
  -fill '#2e9d3a' -stroke '#1c6425' -strokewidth 4 -draw 'polygon 14,8 56,32 14,56'

# Stop: a red square.
draw iglMain-03.png \
  -fill '#d9342b' -stroke '#8e1a14' -strokewidth 4 -draw 'roundrectangle 10,10 54,54 6,6'

# Options: a gear.
draw iglMain-04.png \
  -fill '#7d8995' -stroke none \
  -draw 'translate 32,32 rotate 0 rectangle -6,-30 6,-16' \
  -draw 'translate 32,32 rotate 45 rectangle -6,-30 6,-16' \
  -draw 'translate 32,32 rotate 90 rectangle -6,-30 6,-16' \
  -draw 'translate 32,32 rotate 135 rectangle -6,-30 6,-16' \
  -draw 'translate 32,32 rotate 180 rectangle -6,-30 6,-16' \
  -draw 'translate 32,32 rotate 225 rectangle -6,-30 6,-16' \
  -draw 'translate 32,32 rotate 270 rectangle -6,-30 6,-16' \
  -draw 'translate 32,32 rotate 315 rectangle -6,-30 6,-16' \
  -stroke '#3f4a55' -strokewidth 4 -draw 'circle 32,32 32,12' \
  -fill '#ffffff' -draw 'circle 32,32 32,24'

# About: a white "i" on a blue disc.
draw iglMain-05.png \
  -fill '#2f6fc4' -stroke '#1b477f' -strokewidth 4 -draw 'circle 32,32 32,4' \
  -fill '#ffffff' -stroke none -draw 'circle 32,18 32,12' -draw 'rectangle 27,27 37,52'

# Quit: an open door with an arrow leaving through it.
draw iglMain-06.png \
  -fill '#f1e3cf' -stroke '#6e4420' -strokewidth 4 -draw 'rectangle 8,4 40,60' \
  -fill '#b87a3f' -draw 'polygon 8,4 28,12 28,60 8,60' \
  -stroke '#c62d25' -strokewidth 8 -draw 'line 30,32 48,32' \
  -fill '#c62d25' -stroke none -draw 'polygon 44,18 62,32 44,46'

# Help: a white question mark on a green disc. The glyph is DejaVu Sans Bold (Debian's
# fonts-dejavu-core), drawn by its file so no other font can stand in.
draw iglMain-07.png \
  -fill '#2e8b57' -stroke '#1d5e3a' -strokewidth 4 -draw 'circle 32,32 32,4' \
  -stroke none -fill '#ffffff' -font /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
  -pointsize 46 -gravity center -annotate +0+1 '?'

# Robot: a head with an antenna.
draw iglMain-08.png \
  -fill '#9aa7b4' -stroke '#4b5763' -strokewidth 4 \
  -draw 'rectangle 4,28 12,44' -draw 'rectangle 52,28 60,44' \
  -draw 'line 32,20 32,10' -draw 'roundrectangle 12,20 52,58 8,8' \
  -fill '#e8552d' -draw 'circle 32,8 32,3' \
  -fill '#33c3ff' -stroke '#1f4f8a' -draw 'circle 23,34 23,29' -draw 'circle 41,34 41,29' \
  -fill '#4b5763' -stroke none -draw 'rectangle 22,45 42,50'

# Browser capture: a browser window holding a letter.
draw iglMain-09.png \
  -fill '#ffffff' -stroke '#2c5d94' -strokewidth 4 -draw 'rectangle 4,6 60,58' \
  -fill '#2c5d94' -draw 'rectangle 4,6 60,18' \
  -fill '#ffe08a' -stroke '#a87600' -draw 'rectangle 16,28 48,50' \
  -fill none -draw 'polyline 16,28 32,41 48,28'
