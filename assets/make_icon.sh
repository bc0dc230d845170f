#!/bin/sh
# Regenerates the program icon, the kanji 漢 in black on yellow, from the
# IPA Gothic font:
#   tavosu.png      32 x 32, 16-colour palette (4 bits a pixel), the window icon
#   tavosu-256.png  256 x 256, smooth edges, for the hicolor icon theme
# Needs the Debian packages imagemagick and fonts-ipafont-gothic.
# Writes next to this script; safe to run again (it overwrites both files).
set -eu

cd "$(dirname "$0")"

font=$(fc-match -f '%{file}' 'IPAGothic:lang=ja')
case $(fc-match -f '%{family}' 'IPAGothic:lang=ja') in
  *IPAGothic*) ;;
  *) echo "make_icon.sh: IPA Gothic not found (install fonts-ipafont-gothic)" >&2; exit 1 ;;
esac

yellow='rgb(255,255,0)'

# The glyph, black on white, cut to its ink. The stroke thickens the regular
# weight so that the strokes stay solid at 32 px.
glyph() {
  convert -size 1200x1200 xc:white -font "$font" -pointsize 1000 \
    -fill black -stroke black -strokewidth 20 -gravity center \
    -annotate +0+0 '漢' -trim +repage png:-
}

# Scales the glyph to fit $1 x $1, centres it on a $2 x $2 square and turns
# white into yellow; further arguments finish the image.
icon() {
  size=$1 square=$2
  shift 2
  glyph | convert png:- -resize "${size}x${size}" -background white \
    -gravity center -extent "${square}x${square}" +level-colors "black,$yellow" \
    -alpha off -depth 8 -strip -define png:exclude-chunk=all "$@"
}

icon 240 256 tavosu-256.png

# Sixteen even steps from black to yellow, no dithering.
icon 30 32 \( -size 1x16 "gradient:black-$yellow" -write mpr:palette +delete \) \
  -dither None -remap mpr:palette \
  -define png:color-type=3 -define png:bit-depth=4 tavosu.png
