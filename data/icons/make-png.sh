#!/bin/sh
# Draws parvel.png (256x256) with ImageMagick, shape for shape as parvel.svg, for systems whose
# ImageMagick cannot read SVG. Run from this folder.
set -e
convert -size 256x256 xc:none \
  \( -size 240x240 gradient:'#3b82c4-#1f4f86' \) -geometry +8+8 -compose over -composite \
  \( -size 256x256 xc:none -fill white -draw "roundrectangle 8,8 247,247 44,44" \) \
  -compose DstIn -composite -compose over \
  -fill 'rgba(255,255,255,0.35)' -draw "rotate 8 roundrectangle 70,28 226,148 10,10" \
  -fill 'rgba(255,255,255,0.6)' -draw "rotate -5 roundrectangle 40,70 196,190 10,10" \
  -fill white -draw "roundrectangle 40,76 207,203 10,10" \
  \( -size 144x92 gradient:'#bfe0f7-#eaf5fc' \) -geometry +52+88 -composite \
  -fill '#f5b731' -draw "circle 164,112 164,125" \
  -fill '#3f9b5a' -draw "polygon 52,180 96,124 124,158 144,136 196,180" \
  -fill '#2f7d46' -draw "polygon 96,124 124,158 112,180 52,180" \
  -fill '#9fb7cf' -draw "roundrectangle 60,188 84,195 2,2" -draw "roundrectangle 92,188 116,195 2,2" \
  -draw "roundrectangle 124,188 148,195 2,2" -draw "roundrectangle 156,188 180,195 2,2" \
  PNG32:parvel.png
