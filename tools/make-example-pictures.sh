#!/bin/sh
# Draws the two pictures of the demo round (examples/1): question 1's planet
# (1.png) and the rainbow that answers question 9 (9o.png). Run from the
# source tree after changing them; the PNGs are committed. Needs ImageMagick.
#   sh tools/make-example-pictures.sh
set -eu
cd "$(dirname "$0")/../examples"
mkdir -p 1

# A striped giant with its red spot, on a dark sky.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 480x320 xc:'#D9B38C' -fill '#B07850' \
    -draw 'rectangle 0,95 480,112' -draw 'rectangle 0,140 480,152' \
    -draw 'rectangle 0,178 480,196' -draw 'rectangle 0,215 480,224' \
    -fill '#F0DCC0' -draw 'rectangle 0,120 480,132' -draw 'rectangle 0,160 480,170' \
    -fill '#C0503A' -draw 'ellipse 290,187 26,12 0,360' "$tmp/bands.png"
convert -size 480x320 xc:black -fill white -draw 'circle 240,160 240,30' "$tmp/disc.png"
convert -size 480x320 xc:'#0B1030' -fill white \
    -draw 'point 40,40' -draw 'point 420,60' -draw 'point 90,280' -draw 'point 450,250' "$tmp/sky.png"
convert "$tmp/sky.png" "$tmp/bands.png" "$tmp/disc.png" -composite -strip PNG8:1/1.png

# Seven arcs, red outside to violet inside, on a pale sky.
set -- '#E02020' '#F08020' '#F0E020' '#30B040' '#40A0F0' '#2040C0' '#8030B0'
args=""
r=220
for colour in "$@"; do
    args="$args -fill '$colour' -draw \"circle 240,300 240,$((300 - r))\""
    r=$((r - 18))
done
eval convert -size 480x300 xc:'#DDEEFF' "$args" -fill "'#DDEEFF'" -draw "'circle 240,300 240,$((300 - r))'" \
    -strip PNG8:1/9o.png
ls -l 1
