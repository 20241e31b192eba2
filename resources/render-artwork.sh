#!/usr/bin/env bash
# Renders the PNG artwork from its SVG sources. Needs rsvg-convert (librsvg2-bin) and
# ImageMagick. The 16 and 32 pixel icons have hand-tuned sources of their own; the
# splash picture is reduced to a 256-colour palette, as the splash window expects.
set -euo pipefail
cd "$(dirname "$0")"

rsvg-convert -w 16 -h 16 icons/handfolio-16.svg -o icons/handfolio-16.png
rsvg-convert -w 32 -h 32 icons/handfolio-32.svg -o icons/handfolio-32.png
for size in 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" icons/handfolio.svg -o "icons/handfolio-$size.png"
done

# The online photo store's emblem: 80 x 43, 24-bit, no transparency.
rsvg-convert -w 80 -h 43 images/online-emblem.svg -o images/online-emblem.tmp.png
convert images/online-emblem.tmp.png -background '#efefef' -alpha remove -alpha off -type TrueColor -strip \
    PNG24:images/online-emblem.png
rm -f images/online-emblem.tmp.png

tmp=$(mktemp --suffix=.png)
trap 'rm -f "$tmp"' EXIT
rsvg-convert -w 600 -h 396 images/splash.svg -o "$tmp"
convert "$tmp" -background black -alpha remove -dither FloydSteinberg -colors 256 -strip PNG8:images/splash.png

# Illustrations of the manual.
mkdir -p help/images
cp icons/handfolio-48.png help/images/handfolio-48.png
rsvg-convert help-art/crop-frame.svg -o help/images/crop-frame.png
# The same framed crop in the three colour modes, at the handheld's 160 x 160.
photo=$(mktemp --suffix=.png)
gray=$(mktemp --suffix=.png)
pal4=$(mktemp --suffix=.png)
pal16=$(mktemp --suffix=.png)
trap 'rm -f "$tmp" "$photo" "$gray" "$pal4" "$pal16"' EXIT
rsvg-convert help-art/sample-photo.svg -o "$photo"
convert "$photo" -crop 150x150+76+17 +repage -filter Lanczos -resize 160x160 "$photo"
convert "$photo" -fx '0.299*r+0.587*g+0.114*b' -colorspace sRGB "$gray"
convert -size 1x1 xc:'rgb(0,0,0)' xc:'rgb(100,100,100)' xc:'rgb(200,200,200)' xc:'rgb(255,255,255)' +append "$pal4"
levels=()
for i in $(seq 0 15); do levels+=("xc:rgb($((17 * i)),$((17 * i)),$((17 * i)))"); done
convert -size 1x1 "${levels[@]}" +append "$pal16"
convert "$gray" -dither FloydSteinberg -remap "$pal4" -strip PNG8:help/images/mode-gray4.png
convert "$gray" -dither FloydSteinberg -remap "$pal16" -strip PNG8:help/images/mode-gray16.png
convert "$photo" -dither FloydSteinberg -colors 256 -strip PNG8:help/images/mode-colour.png

for png in icons/*.png images/*.png help/images/*.png; do
    [ -e "$png" ] || continue
    identify -format '%f %wx%h %[type] %k colours\n' "$png"
done
