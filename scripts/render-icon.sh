#!/usr/bin/env bash
# Draws data/icons/aurelith-256.png with the shapes of data/icons/aurelith.svg
# (ImageMagick here reads no SVG, and Qt's window icon needs a raster copy).
set -euo pipefail
cd "$(dirname "$0")/.."
convert -size 256x256 xc:none \
  -fill '#1f2347' -draw 'roundrectangle 8,8 247,247 48,48' \
  -fill none -stroke '#ffd16680' -strokewidth 6 -draw 'circle 128,128 198,128' \
  -stroke none -fill '#ffd166' -draw 'circle 128,128 174,128' \
  -fill none -stroke '#ef476f' -strokewidth 12 -draw 'stroke-linecap round path "M 28 128 C 44 92, 60 92, 76 128 S 108 164, 124 128"' \
  -stroke '#06d6a0' -draw 'stroke-linecap round path "M 132 128 C 148 92, 164 92, 180 128 S 212 164, 228 128"' \
  PNG32:data/icons/aurelith-256.png
