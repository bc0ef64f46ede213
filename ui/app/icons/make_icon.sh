#!/bin/sh
# Draws the program's icon (four dancers around a square's centre) as a
# 32x32, 16-colour PNG. Needs ImageMagick.
cd "$(dirname "$0")" && convert -size 32x32 xc:none \
 -fill '#000080' -stroke '#000000' -draw 'roundrectangle 1,1 30,30 5,5' \
 -fill none -stroke '#c0c0c0' -strokewidth 1 -draw 'circle 16,16 16,6' \
 -stroke none -fill '#ff0000' -draw 'circle 16,6 16,3' \
 -fill '#ffff00' -draw 'circle 26,16 26,13' \
 -fill '#00ff00' -draw 'circle 16,26 16,23' \
 -fill '#00ffff' -draw 'circle 6,16 6,13' \
 -fill '#ffffff' -draw 'polygon 16,11 17,15 21,16 17,17 16,21 15,17 11,16 15,15' \
 -colors 16 PNG8:vorlet.png

# The desktop icons, scalable and at 48 and 256 px, come from vorlet.svg, the
# same drawing at 256 px. Needs rsvg-convert (librsvg2-bin).
for size in 48 256; do
  rsvg-convert -w $size -h $size vorlet.svg -o vorlet-$size.png
done
