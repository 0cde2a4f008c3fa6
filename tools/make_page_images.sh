#!/usr/bin/env bash
# Draws the HTML pages' images into pages/ (PNG and an animated GIF). Run by
# hand after changing the design; the results are committed. Colours follow
# the classic pages' banner (tools/make_artwork.sh).
set -euo pipefail
out=$(dirname "$(readlink -f "$0")")/../pages
font=DejaVu-Sans-Bold
light=DejaVu-Sans
dark='#0b3d5c'
teal='#1d8a9a'
amber='#ffb03b'
strip=(-strip -define png:exclude-chunks=date,time)

# The masthead: 48 px high, the left part with the name, then the fill
# repeated to the window's width; both end in the same colour and the same
# amber rule at the bottom.
convert -size 48x300 gradient:"$dark"-"$teal" -rotate 270 \
  \( -size 300x48 xc:none -fill 'rgba(255,255,255,0.10)' -draw 'circle 236,64 236,8' \
     -fill "$amber" -draw 'circle 22,22 22,15' \) -composite \
  -font "$font" -pointsize 24 -fill white -annotate +38+31 'Orun' \
  -font "$light" -pointsize 12 -fill 'rgba(255,255,255,0.85)' -annotate +116+31 'Runtime Environment' \
  -fill "$amber" -draw 'rectangle 0,45 299,47' \
  "${strip[@]}" PNG24:"$out/masthead_left.png"
convert -size 16x48 xc:"$teal" -fill "$amber" -draw 'rectangle 0,45 15,47' \
  "${strip[@]}" PNG24:"$out/masthead_fill.png"

# The warning and information marks, drawn at eight times their size and reduced.
convert -size 256x256 xc:none \
  -fill '#f2b01e' -stroke '#b9830c' -strokewidth 8 -draw "stroke-linejoin round polygon 128,16 244,232 12,232" \
  -fill none -stroke '#3b2a00' -strokewidth 26 -draw 'stroke-linecap round line 128,88 128,162' \
  -fill '#3b2a00' -stroke none -draw 'circle 128,200 128,185' \
  -resize 32x32 "${strip[@]}" PNG32:"$out/warning32.png"
convert -size 256x256 xc:none \
  -fill '#1d6fb8' -stroke '#15548c' -strokewidth 8 -draw 'circle 128,128 128,10' \
  -fill white -stroke none -draw 'circle 128,72 128,55' \
  -fill none -stroke white -strokewidth 30 -draw 'stroke-linecap round line 128,118 128,196' \
  -resize 32x32 "${strip[@]}" PNG32:"$out/info.png"

# The progress animation: twelve dots on a circle, the bright one turning,
# on the page's white background.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in $(seq 0 11); do
  draw=()
  for d in $(seq 0 11); do
    age=$(( (f - d + 12) % 12 ))
    alpha=$(awk -v a="$age" 'BEGIN { v = 1 - a * 0.075; printf "%.2f", (v < 0.18 ? 0.18 : v) }')
    read -r x y < <(awk -v d="$d" 'BEGIN { t = d * 3.14159265 / 6; printf "%.1f %.1f\n", 128 + 92 * sin(t), 128 - 92 * cos(t) }')
    r=$(awk -v x="$x" 'BEGIN { printf "%.1f", x + 19 }')
    draw+=(-fill "rgba(29,138,154,$alpha)" -draw "circle $x,$y $r,$y")
  done
  convert -size 256x256 xc:white "${draw[@]}" -resize 32x32 "$tmp/frame$(printf %02d "$f").png"
done
convert -delay 8 -loop 0 -dispose background "$tmp"/frame*.png -layers Optimize "$out/loader.gif"
