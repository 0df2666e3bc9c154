#!/bin/sh
# Draws the mixer window's strips, buttons and fader knob, and the punch
# dialog's button picture, as 24-bit bitmaps.
# Usage: make-bitmaps.sh <output directory>
set -e
out=$1
# bmp <file> <convert arguments...>
bmp() {
    file=$1
    shift
    convert "$@" -type truecolor "BMP3:$out/$file"
}

# A channel strip, 30 x 180: mute and solo buttons at the top, the pan
# track (not on master), the fader slot with its scale, and the label area
# from y 128.
strip() {
    bmp "$3" -size 30x180 "xc:$1" \
        -fill "$2" -draw 'rectangle 0,0 0,179' -draw 'rectangle 29,0 29,179' \
        -fill '#1a1a1a' -draw 'rectangle 1,128 28,179' \
        -fill none -stroke '#808080' -draw "$4" -draw 'rectangle 7,50 22,128' \
        -stroke '#9a9a9a' \
        -draw 'line 3,55 5,55' -draw 'line 3,70 5,70' -draw 'line 3,85 5,85' \
        -draw 'line 3,100 5,100' -draw 'line 3,115 5,115' \
        -draw 'line 24,55 26,55' -draw 'line 24,70 26,70' -draw 'line 24,85 26,85' \
        -draw 'line 24,100 26,100' -draw 'line 24,115 26,115'
}
strip '#2e2e2e' '#4a4a4a' strip.bmp 'rectangle 3,37 26,46'
strip '#23304a' '#3c4c6c' master-left.bmp 'point 0,0'
strip '#23304a' '#4c5c7c' master-right.bmp 'point 29,0'

# The knob, 14 x 9, with a line across its middle.
bmp knob.bmp -size 14x9 xc:'#c8c8c8' -fill '#f4f4f4' -draw 'rectangle 0,0 13,0' \
    -fill '#707070' -draw 'rectangle 0,8 13,8' -fill '#202020' -draw 'rectangle 1,4 12,4'

# Mute (M) and solo (S) buttons, 26 x 11, lit and dark.
button() {
    bmp "$5" -size 26x11 "xc:$1" -fill none -stroke "$2" -draw 'rectangle 0,0 25,10' \
        -stroke "$3" -draw "polyline $4"
}
m='9,8 9,2 13,6 17,2 17,8'
s='16,2 10,2 10,5 16,5 16,8 10,8'
button '#e03030' '#ff9090' '#ffffff' "$m" mute-on.bmp
button '#5a1c1c' '#7a3030' '#b08080' "$m" mute-off.bmp
button '#f0d020' '#fff0a0' '#302000' "$s" solo-on.bmp
button '#4a4010' '#6a5a20' '#b0a060' "$s" solo-off.bmp

# The Punch button: a record lamp beside a cue mark.
bmp punch.bmp -size 48x20 xc:'#c0c0c0' -fill '#d02020' -stroke '#601010' -draw 'circle 14,10 14,4' \
    -fill '#303030' -stroke none -draw 'polygon 26,4 26,16 38,10' -draw 'rectangle 39,4 41,16'
