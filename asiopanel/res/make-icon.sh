#!/bin/sh
# Draws the program icon (level bars on a blue tile) at 32 and 16 pixels.
# Usage: make-icon.sh <output.ico>
set -e
convert -size 32x32 xc:none \
    -fill '#1d4f91' -draw 'roundrectangle 1,1 30,30 5,5' \
    -fill '#8fd14f' -draw 'rectangle 6,18 10,26' -draw 'rectangle 13,12 17,26' \
    -fill '#f2c14e' -draw 'rectangle 20,7 24,26' \
    -fill white -draw 'rectangle 5,28 26,28' \
    -define icon:auto-resize=32,16 "$1"
