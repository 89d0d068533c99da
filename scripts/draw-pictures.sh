#!/bin/sh
# Draws the maker's pictures of the about box (logo and emblem) with ImageMagick and writes
# them into resources/. The results are committed; run this only to change them.
set -eu
out="$(cd "$(dirname "$0")/.." && pwd)/resources"
mkdir -p "$out"
navy='#1B2A4A'
red='#C8102E'

# The logo: a red square holding a white "M", and the name beside it; a 134 x 28 bitmap of
# 256 colours on white, the white taken as transparent where it is drawn.
convert -size 134x28 xc:white \
  -fill "$red" -draw 'roundrectangle 1,2 24,25 3,3' \
  -font Liberation-Sans-Bold -pointsize 19 -fill white -gravity NorthWest \
  -annotate +4+3 'M' \
  -fill "$navy" -pointsize 21 -annotate +27+2 'ORVANE' \
  -colors 256 -type Palette BMP3:"$out/about_logo.bmp"

# The emblem: a navy disc with a red ring and a white "M", on a transparent ground; a
# 116 x 116 GIF.
convert -size 116x116 xc:none \
  -fill "$red" -draw 'circle 58,58 58,2' \
  -fill "$navy" -draw 'circle 58,58 58,10' \
  -fill white -draw 'polygon 30,84 30,34 42,34 58,58 74,34 86,34 86,84 75,84 75,53 58,77 41,53 41,84' \
  GIF:"$out/about_emblem.gif"

# The program's own icon (SVG and PNG), drawn without ImageMagick so its transparency is exact.
python3 "$(dirname "$0")/draw-icon.py" "$out"
