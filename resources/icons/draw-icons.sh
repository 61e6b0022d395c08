#!/bin/sh
# Renders the program's icon in the sizes of the hicolor theme from trawlex.svg. The PNGs are kept
# in the repository, as the other pictures are, so that a build needs no SVG renderer; run this
# only after changing the drawing (needs rsvg-convert, Debian's librsvg2-bin).
set -e
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio trawlex.svg -o "trawlex-$size.png"
done
