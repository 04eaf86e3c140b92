#!/usr/bin/env bash
# Draws the About picture and the program icon (ImageMagick). The committed
# files were made by this script; run it again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
# A basketball over a stretch of hardwood, with the three-point arc.
/usr/bin/convert -size 354x226 gradient:'#d9a066-#b9773e' \
  -stroke '#f4e6cc' -strokewidth 4 -fill none -draw "ellipse 177,250 150,120 180,360" \
  -stroke '#8a5226' -strokewidth 1 -draw "line 0,60 354,60" -draw "line 0,140 354,140" \
  -stroke black -strokewidth 3 -fill '#e8731c' -draw "circle 177,113 177,38" \
  -fill none -draw "line 102,113 252,113" -draw "line 177,38 177,188" \
  -draw "arc 117,53 237,173 300,60" -draw "arc 117,53 237,173 120,240" \
  -quality 90 about.jpg
/usr/bin/convert -size 64x64 xc:none -stroke black -strokewidth 3 -fill '#e8731c' \
  -draw "circle 32,32 32,4" -fill none -draw "line 4,32 60,32" -draw "line 32,4 32,60" \
  orrimax.png
# The program's icon for the desktop's menus, drawn at each of the hicolor
# theme's sizes.
mkdir -p icons
for size in 16 22 24 32 48 64 128 256; do
  c=$((size / 2)) r=$((size * 28 / 64)) w=$(((size * 3 + 63) / 64))
  /usr/bin/convert -size "${size}x${size}" xc:none -stroke black -strokewidth "$w" \
    -fill '#e8731c' -draw "circle $c,$c $c,$((c - r))" -fill none \
    -draw "line $((c - r)),$c $((c + r)),$c" -draw "line $c,$((c - r)) $c,$((c + r))" \
    "icons/orrimax-${size}.png"
done
# The same icon for Windows, in one file (8-bit channels: Windows shows no
# 16-bit PNG layer).
/usr/bin/convert icons/orrimax-{16,24,32,48,64,256}.png -depth 8 -strip orrimax.ico
