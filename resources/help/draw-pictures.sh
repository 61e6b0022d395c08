#!/bin/sh
# Redraws the help pictures with ImageMagick. The PNG files are kept in the repository; run this
# only after changing a drawing. Dates and other metadata are left out so the bytes stay the same.
set -e
cd "$(dirname "$0")/images"
convert -size 40x28 xc:none \
  -fill '#fdfdfd' -stroke '#2a5d9f' -strokewidth 2 -draw 'rectangle 1,1 38,26' \
  -fill none -draw 'polyline 1,1 20,16 38,1' \
  -stroke '#c0392b' -strokewidth 2 -draw 'line 1,26 15,13' -draw 'line 38,26 25,13' \
  -strip -define png:exclude-chunks=date,time -define png:compression-level=9 \
  -colors 16 PNG8:logo.png
