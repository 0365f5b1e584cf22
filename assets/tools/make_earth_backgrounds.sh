#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Makes the earth images of EarthBackgrounds/ from NASA's Visible Earth pictures in Debian's
# xplanet-images package. Both are whole-earth equirectangular images, 2048 x 1024, which is the form
# the map composer crops from.
#   "Blue Marble.jpg": the daytime Blue Marble, as shipped (no second JPEG pass to lose detail).
#   "Night Lights.jpg": city lights at night over a dimmed, bluish Blue Marble, so that coasts and
#   continents stay visible where no lights are.
# Usage: make_earth_backgrounds.sh OUTPUT_DIR
set -euo pipefail
out=${1:?usage: make_earth_backgrounds.sh OUTPUT_DIR}
images=/usr/share/xplanet/images
mkdir -p "$out"

cp "$images/earth.jpg" "$out/Blue Marble.jpg.tmp"
mv -f "$out/Blue Marble.jpg.tmp" "$out/Blue Marble.jpg"

convert \( "$images/earth.jpg" -modulate 28,45 -fill '#0a1838' -colorize 25 \) \
    \( "$images/night.jpg" -level 0,55% \) -compose Screen -composite \
    -strip -quality 90 -sampling-factor 2x2 "JPEG:$out/Night Lights.jpg.tmp"
mv -f "$out/Night Lights.jpg.tmp" "$out/Night Lights.jpg"
