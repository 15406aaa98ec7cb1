#!/bin/sh
# Makes a round for the picture benchmarks in folder $1: round "7" whose
# twelve questions and twelve answers each have a phone-sized photo, a
# 6000 x 4000 (24-megapixel) JPEG of about 8 MB. One photo is drawn (noise,
# so it compresses no better than a real one) and copied 24 times: decoding
# costs the same whatever the picture shows. Needs ImageMagick's convert.
#   sh tools/make-bench-pictures.sh DIR
set -eu
dir=$1
mkdir -p "$dir/7"
k=1
: >"$dir/7.txt"
: >"$dir/7o.txt"
while [ $k -le 12 ]; do
    printf 'Question %d\r\n' $k >>"$dir/7.txt"
    printf 'Answer %d\r\n' $k >>"$dir/7o.txt"
    k=$((k + 1))
done
photo="$dir/photo.jpg"
[ -s "$photo" ] || convert -size 1200x800 xc: +noise Random -resize 6000x4000! -quality 89 "$photo"
k=1
while [ $k -le 12 ]; do
    cp "$photo" "$dir/7/$k.jpg"
    cp "$photo" "$dir/7/${k}o.jpg"
    k=$((k + 1))
done
echo "$(identify -format '%wx%h' "$photo"), $(stat -c %s "$photo") bytes, 24 copies in $dir/7"
