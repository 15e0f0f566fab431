#!/bin/bash
# Writes small seed pictures of every decoded format into fuzz/imaging/corpus (needs ImageMagick and cjpeg).
set -euo pipefail
out="$(dirname "$0")/corpus"
mkdir -p "$out"
src=$(mktemp --suffix=.png)
trap 'rm -f "$src"' EXIT
convert -size 24x16 gradient:red-blue -fill green -draw "rectangle 4,4 10,10" "$src"
convert "$src" -quality 70 "$out/seed.jpg"
convert "$src" -quality 70 -interlace JPEG "$out/progressive.jpg"
convert "$src" -colorspace CMYK -quality 70 "$out/cmyk.jpg"
convert "$src" -colorspace Gray -quality 70 "$out/gray.jpg"
# Colour planes at other resolutions and restart markers, for the reduced JPEG decode.
convert "$src" ppm:- | cjpeg -quality 80 -sample 2x1 -restart 2B >"$out/restart422.jpg"
convert "$src" ppm:- | cjpeg -quality 95 -sample 2x2 -restart 1 >"$out/restart420.jpg"
convert "$src" -quality 80 -sampling-factor 1x2 "$out/s440.jpg"
convert "$src" "$out/seed.png"
convert "$src" -alpha set -channel A -evaluate set 50% "$out/alpha.png"
convert "$src" -depth 16 "PNG48:$out/deep.png"
convert "$src" -colors 16 "PNG8:$out/palette.png"
convert "$src" -interlace PNG "$out/interlaced.png"
convert "$src" -colors 64 "$out/seed.gif"
convert "$src" -colors 64 -interlace GIF "$out/interlaced.gif"
convert "$src" "BMP3:$out/seed24.bmp"
convert "$src" -colors 16 -type Palette "BMP3:$out/seed4.bmp"
convert "$src" -colors 200 -type Palette -compress RLE "BMP3:$out/rle8.bmp"
convert "$src" -define bmp:format=bmp2 "$out/core.bmp"
convert "$src" -resize 16x16! "$out/seed.ico"
convert "$src" -colors 200 "$out/seed.pcx"
convert "$src" -monochrome "$out/mono.pcx"
ls -l "$out"
