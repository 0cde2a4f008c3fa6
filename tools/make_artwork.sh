#!/usr/bin/env bash
# Draws the classic pages' artwork into resources/bitmaps (24-bit BMP, as the
# resource compiler takes it). Run by hand after changing the design; the
# results are committed.
set -euo pipefail
out=$(dirname "$(readlink -f "$0")")/../resources/bitmaps
mkdir -p "$out"
font=DejaVu-Sans-Bold
light=DejaVu-Sans

# 2041: the banner, stretched over the top of every page.
convert -size 666x114 gradient:'#0b3d5c'-'#1d8a9a' -rotate 270 -resize 666x114\! \
  \( -size 666x114 xc:none -fill 'rgba(255,255,255,0.10)' -draw 'circle 600,160 600,20' \
     -fill 'rgba(255,255,255,0.08)' -draw 'circle 520,-60 520,70' \
     -fill 'rgba(255,176,59,0.9)' -draw 'circle 150,42 150,35' \) -composite \
  -font "$font" -pointsize 46 -fill white -annotate +24+76 'Orun' \
  -font "$light" -pointsize 17 -fill 'rgba(255,255,255,0.85)' -annotate +166+76 'Runtime Environment' \
  -font "$font" -pointsize 15 -fill 'rgba(255,255,255,0.75)' -gravity NorthEast -annotate +22+14 'KYN' \
  -type TrueColor BMP3:"$out/banner_2041.bmp"

# 4007: the picture of the progress page when no promotion picture is on disk,
# drawn at twice its size and reduced to the picture control's pixels (313 x 112
# dialog units at 96 dpi).
convert -size 940x364 gradient:'#f4f8fb'-'#dbeaf1' \
  \( -size 940x364 xc:none -fill 'rgba(29,138,154,0.18)' -draw 'circle 760,300 760,60' \
     -fill 'rgba(11,61,92,0.12)' -draw 'circle 860,40 860,-120' \
     -fill 'rgba(255,176,59,0.65)' -draw 'circle 700,150 700,126' \) -composite \
  -font "$font" -pointsize 64 -fill '#0b3d5c' -annotate +60+150 'Orun' \
  -font "$light" -pointsize 30 -fill '#1d5f72' -annotate +62+205 'Write once. Run anywhere Orun runs.' \
  -font "$light" -pointsize 22 -fill '#4d7383' -annotate +62+252 'Fast start-up  ·  Automatic updates  ·  Secure by default' \
  -resize 470x182\! -type TrueColor BMP3:"$out/progress_4007.bmp"

# 3036 and 3066: the completion page's success mark and the error page's
# warning mark, in the beige header band (RGB 231, 229, 213) where the pages
# draw them unscaled; drawn at eight times their size and reduced, for smooth edges.
beige='#e7e5d5'
convert -size 240x240 xc:"$beige" \
  -fill '#1e8e3e' -stroke '#15702f' -strokewidth 6 -draw 'circle 120,120 120,12' \
  -fill none -stroke white -strokewidth 26 -draw "stroke-linecap round stroke-linejoin round polyline 66,124 104,162 176,86" \
  -resize 30x30 -type TrueColor BMP3:"$out/success_3036.bmp"
convert -size 264x264 xc:"$beige" \
  -fill '#c62828' -stroke '#a11d1d' -strokewidth 6 -draw 'circle 132,132 132,12' \
  -fill none -stroke white -strokewidth 28 -draw "stroke-linecap round line 132,62 132,150" \
  -fill white -stroke none -draw 'circle 132,196 132,180' \
  -resize 33x33 -type TrueColor BMP3:"$out/error_3066.bmp"
