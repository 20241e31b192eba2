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

rsvg-convert -w 100 -h 32 images/emblem.svg -o images/emblem.png

tmp=$(mktemp --suffix=.png)
trap 'rm -f "$tmp"' EXIT
rsvg-convert -w 600 -h 396 images/splash.svg -o "$tmp"
convert "$tmp" -background black -alpha remove -dither FloydSteinberg -colors 256 PNG8:images/splash.png

for png in icons/*.png images/*.png help/images/*.png; do
    [ -e "$png" ] || continue
    identify -format '%f %wx%h %[type] %k colours\n' "$png"
done
