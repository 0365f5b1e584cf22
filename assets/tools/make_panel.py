#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Draws UI/LocalWeatherBackground.png, the panel behind the local weather texts.

The program keeps only the alpha channel of this picture (it paints it black) and stretches it as a
nine-slice with 30-pixel corners. So the picture is a rounded, semi-transparent body with a soft shadow
below, all of whose rounding and shadow fall-off lies inside the 30-pixel corners: along each edge strip
and in the centre the alpha does not change in the stretched direction, and stretching never smears a
curve. Pure standard library, so the result is the same byte for byte everywhere.

Usage: make_panel.py OUTPUT.png
"""

import math
import os
import struct
import sys
import zlib

SIZE = 100  # square; the centre slice (SIZE - 60) is what gets stretched
BORDER = 30  # the program's nine-slice corner size
LEFT, TOP, RIGHT, BOTTOM = 6, 4, 6, 10  # room around the body for the shadow
RADIUS = 13.0
BODY_ALPHA = 0.66  # dark enough for white text on any wallpaper, light enough to see through
RIM_ALPHA = 0.82  # a slightly firmer outline, so the panel has an edge on dark backgrounds
RIM_WIDTH = 1.2
SHADOW_ALPHA = 0.42
SHADOW_OFFSET = 2.5  # light from above: the shadow falls a little lower than the body
SHADOW_SPREAD = 2.4


def rounded_rect_distance(px, py, x0, y0, x1, y1, r):
    """Signed distance from a point to a rounded rectangle; negative inside."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def clamp01(v):
    return 0.0 if v < 0 else 1.0 if v > 1 else v


def alpha_at(x, y):
    px, py = x + 0.5, y + 0.5
    body = (LEFT, TOP, SIZE - RIGHT, SIZE - BOTTOM)
    d = rounded_rect_distance(px, py, *body, RADIUS)
    coverage = clamp01(0.5 - d)
    rim = clamp01(RIM_WIDTH + 0.5 + d)  # 1 near the edge, 0 deeper inside
    a_body = coverage * (BODY_ALPHA + (RIM_ALPHA - BODY_ALPHA) * rim)
    ds = rounded_rect_distance(px, py - SHADOW_OFFSET, *body, RADIUS)
    a_shadow = SHADOW_ALPHA * (1.0 if ds <= 0 else math.exp(-(ds * ds) / (2 * SHADOW_SPREAD * SHADOW_SPREAD)))
    # The shadow shows only around the body, not through it: the body keeps its own transparency.
    return a_body + a_shadow * (1 - coverage)


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    assert LEFT + RADIUS < BORDER and TOP + RADIUS < BORDER and BOTTOM + RADIUS < BORDER
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            a = round(255 * alpha_at(x, y))
            # The colour is dropped by the program; black keeps previews honest.
            row += [0, 0, 0, a]
        rows.append(row)
    os.makedirs(os.path.dirname(os.path.abspath(sys.argv[1])), exist_ok=True)
    with open(sys.argv[1] + ".tmp", "wb") as f:
        f.write(png(SIZE, SIZE, rows))
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])


if __name__ == "__main__":
    main()
