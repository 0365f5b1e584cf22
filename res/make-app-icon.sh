#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Draws the application icon (a sun behind a cloud) with ImageMagick and packs it as a
# multi-size Windows icon, 16 to 256 pixels.
#   res/make-app-icon.sh OUTPUT.ico
set -euo pipefail
out=${1:?usage: make-app-icon.sh OUTPUT.ico}
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT

ray() { printf -- '-draw "stroke-linecap round line %s" ' "$1"; }
eval convert -size 256x256 xc:none -fill none -stroke "'#FFA000'" -strokewidth 14 \
    "$(ray '104,10 104,30')" "$(ray '104,170 104,190')" "$(ray '14,100 34,100')" \
    "$(ray '174,100 194,100')" "$(ray '40,36 54,50')" "$(ray '168,36 154,50')" "$(ray '40,164 54,150')" \
    "$t/rays.png"
convert -size 256x256 xc:none \
    \( -size 120x120 radial-gradient:'#FFF59D'-'#FF9800' \) -geometry +44+40 -composite \
    \( -size 256x256 xc:none -fill white -draw "circle 104,100 104,42" \) -compose DstIn -composite \
    "$t/sun.png"

convert -size 256x256 xc:none -fill white \
    -draw "circle 118,168 118,124" -draw "circle 172,150 172,94" -draw "circle 214,184 214,148" \
    -draw "roundrectangle 70,160 244,226 30,30" "$t/cloudmask.png"
convert -size 256x256 gradient:'#FFFFFF'-'#B8C8DC' "$t/cloudmask.png" -alpha off -compose CopyOpacity \
    -composite "$t/cloud.png"
convert "$t/cloudmask.png" -alpha extract -blur 0x6 -background '#20304080' -alpha shape "$t/shadow.png"

convert -size 256x256 xc:none "$t/rays.png" -composite "$t/sun.png" -composite \
    \( "$t/shadow.png" -geometry +4+8 \) -composite "$t/cloud.png" -composite \
    \( "$t/cloudmask.png" -alpha extract -morphology EdgeIn Disk:1.5 -background '#7F95B0' -alpha shape \) \
    -composite "$t/icon256.png"
convert "$t/icon256.png" -depth 8 -define icon:auto-resize=256,128,64,48,32,24,16 "$out"
