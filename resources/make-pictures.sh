#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick into resources/pictures/.
# The results are committed; run this again only to change a picture.
#
#   column.bmp      66 x 80   water with the mooring line (top tile and repeated tile)
#   vehicle.bmp     64 x 80   the profiling vehicle clamped to the line
#   header.bmp     128 x 64   step header tile, repeats every 64 pixels
#   small.bmp       32 x 64   small vehicle picture
#   banner.bmp     510 x 64   welcome banner with the program's name
#   footer.bmp     510 x 48   welcome footer, 256 colours
#   davrolin.ico   16, 32 and 48 pixels
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)/pictures
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
bold=DejaVu-Sans-Bold
plain=DejaVu-Sans

# Water: lighter near the line, darker at the edges. Colour changes only
# across the width, so tiles stacked on each other join without a seam.
convert -size 80x33 gradient:'#2c6f9e'-'#5faed2' -rotate 90 "$tmp/left.png"
convert -size 80x33 gradient:'#5faed2'-'#2c6f9e' -rotate 90 "$tmp/right.png"
convert "$tmp/left.png" "$tmp/right.png" +append "$tmp/water.png"

# Column tile: water, a few bubbles and the mooring line at x = 32.
convert "$tmp/water.png" \
  -fill '#a8dcef' -stroke none \
  -draw 'circle 12,14 13,15' -draw 'circle 52,38 53,39' -draw 'circle 18,61 19,61' \
  -draw 'circle 47,70 48,70' -draw 'circle 9,44 10,44' \
  -stroke '#3b3b3b' -strokewidth 2 -draw 'line 32,0 32,79' \
  -type TrueColor BMP3:"$out/column.bmp"

# The vehicle: a yellow hull with dark end caps and a sensor head, clamped to
# the line, drawn over the left 64 pixels of the column tile.
convert "$out/column.bmp" -crop 64x80+0+0 +repage \
  -stroke '#202020' -strokewidth 1 \
  -fill '#4a4a4a' -draw 'rectangle 29,6 35,10' \
  -fill '#f2c230' -draw 'roundrectangle 22,10 42,66 6,6' \
  -fill '#d9a514' -draw 'rectangle 22,24 42,27' -draw 'rectangle 22,50 42,53' \
  -fill '#303030' -draw 'rectangle 24,66 40,71' \
  -fill '#9a9a9a' -draw 'rectangle 14,30 22,36' -draw 'rectangle 42,30 50,36' \
  -fill '#e0e0e0' -draw 'circle 32,16 32,19' \
  -fill '#303030' -draw 'rectangle 30,71 34,76' \
  -type TrueColor BMP3:"$out/vehicle.bmp"

# Step header tile: the title's background colour with a band of waves at the
# bottom; the waves repeat every 64 pixels.
convert -size 128x64 xc:'rgb(184,214,214)' \
  -fill 'rgb(150,190,196)' -stroke none \
  -draw 'path "M 0,60 Q 16,56 32,60 T 64,60 T 96,60 T 128,60 L 128,64 L 0,64 Z"' \
  -fill 'rgb(96,150,170)' \
  -draw 'path "M 0,63 Q 16,60 32,63 T 64,63 T 96,63 T 128,63 L 128,64 L 0,64 Z"' \
  -type TrueColor BMP3:"$out/header.bmp"

# Small picture: the vehicle on a teal ground.
convert -size 32x64 xc:'rgb(184,214,214)' \
  -stroke '#3b3b3b' -strokewidth 1 -draw 'line 16,0 16,63' \
  -stroke '#202020' -fill '#f2c230' -draw 'roundrectangle 10,10 22,50 4,4' \
  -fill '#303030' -draw 'rectangle 12,50 20,54' \
  -type TrueColor BMP3:"$out/small.bmp"

# Welcome banner: sea gradient, the program's name and the vehicle at the right.
convert -size 64x510 gradient:'#0d3b66'-'#3f8fc0' -rotate 90 \
  -fill '#ffffff' -font "$bold" -pointsize 30 -annotate +16+38 'Davrolin' \
  -fill '#cfe8f5' -font "$plain" -pointsize 12 -annotate +18+56 'VXP data unpacking wizard' \
  -stroke '#cfe8f5' -strokewidth 1 -draw 'line 440,0 440,63' \
  -stroke '#202020' -fill '#f2c230' -draw 'roundrectangle 432,12 448,52 5,5' \
  -fill '#303030' -draw 'rectangle 434,52 446,56' \
  -fill '#e0e0e0' -draw 'circle 440,18 440,20' \
  -stroke none -fill '#a8dcef' -draw 'circle 412,20 413,21' -draw 'circle 470,34 471,35' \
  -draw 'circle 395,44 396,44' -draw 'circle 486,14 487,14' \
  -type TrueColor BMP3:"$out/banner.bmp"

# Welcome footer: waves over the sea bed, 256 colours.
convert -size 48x510 gradient:'#6fb8d8'-'#1f5f8a' -rotate 90 -rotate 180 -flop \
  -fill '#2f7fb0' -stroke none \
  -draw 'path "M 0,14 Q 32,6 64,14 T 128,14 T 192,14 T 256,14 T 320,14 T 384,14 T 448,14 T 512,14 L 512,48 L 0,48 Z"' \
  -fill '#235f8a' \
  -draw 'path "M 0,26 Q 40,18 80,26 T 160,26 T 240,26 T 320,26 T 400,26 T 480,26 T 560,26 L 560,48 L 0,48 Z"' \
  -fill '#c9b27a' \
  -draw 'path "M 0,42 Q 60,36 120,41 T 240,40 T 360,42 T 480,39 L 510,40 L 510,48 L 0,48 Z"' \
  -stroke '#3b3b3b' -strokewidth 1 -draw 'line 300,0 300,40' \
  -stroke none -fill '#505050' -draw 'rectangle 294,40 306,44' \
  -colors 256 -type Palette -compress None BMP3:"$out/footer.bmp"

# Program icon: the vehicle on a round patch of water.
for s in 48 32 16; do
  convert -size 48x48 xc:none \
    -fill '#2f7fb0' -stroke '#0d3b66' -strokewidth 2 -draw 'circle 24,24 24,2' \
    -stroke '#202020' -strokewidth 1 -draw 'line 24,2 24,46' \
    -fill '#f2c230' -draw 'roundrectangle 17,9 31,39 5,5' \
    -fill '#303030' -draw 'rectangle 19,39 29,43' \
    -fill '#e0e0e0' -draw 'circle 24,14 24,16' \
    -resize "${s}x${s}" "$tmp/icon$s.png"
done
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" "$out/davrolin.ico"
echo "pictures written to $out"
