#!/bin/sh
# Draws the program icon and the three tray icons (a status lamp in green,
# red or black) at 32 and 16 pixels.
# Usage: make-icons.sh <output directory>
set -e
out=$1
lamp() {
    convert -size 32x32 xc:none \
        -fill '#303030' -draw 'roundrectangle 2,6 29,25 4,4' \
        -fill "$1" -stroke white -strokewidth 2 -draw 'circle 16,16 16,8' \
        -define icon:auto-resize=32,16 "$out/$2"
}
lamp '#20c020' tray-ok.ico
lamp '#e02020' tray-error.ico
lamp '#000000' tray-fatal.ico
convert -size 32x32 xc:none \
    -fill '#1d4f91' -draw 'roundrectangle 1,1 30,30 5,5' \
    -fill '#20c020' -draw 'circle 10,16 10,11' \
    -fill '#f2c14e' -draw 'rectangle 18,9 21,24' -draw 'rectangle 24,13 27,24' \
    -define icon:auto-resize=32,16 "$out/quorvitray.ico"
