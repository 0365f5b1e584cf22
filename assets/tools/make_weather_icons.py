#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Builds the weather icons that ship beside Nimbrel.exe, in two sizes.

Most pictures are the Oxygen icon theme's weather icons (Debian package oxygen-icon-theme, LGPL-3+),
taken at the matching size. The conditions Oxygen has no picture for are composed from its parts
(a sun or moon peeking out of heavy cloud, a darker sky for overcast, fog and haze bands) or drawn
here with ImageMagick (thermometer, wind, not-available sign). Drawings are made at eight times the
target size and scaled down, so their edges are smooth at both sizes.

Usage: make_weather_icons.py SMALL_DIR LARGE_DIR
The output is deterministic: no time stamps or other metadata are written into the PNG files.
"""

import math
import os
import shutil
import subprocess
import sys
import tempfile

SMALL_SIZE = 64
LARGE_SIZE = 128
OXYGEN = "/usr/share/icons/oxygen/base/{size}x{size}/status/weather-{name}.png"
SUPERSAMPLE = 8

# Every file the program loads from either icon folder, with the recipe that makes it.
ICONS = {
    "Clear.png": ("oxygen", "clear"),
    "Night Clear.png": ("oxygen", "clear-night"),
    "Fair.png": ("oxygen", "few-clouds"),
    "Night Fair.png": ("oxygen", "few-clouds-night"),
    "Partly Cloudy.png": ("oxygen", "clouds"),
    "Night Partly Cloudy.png": ("oxygen", "clouds-night"),
    "Mostly Cloudy.png": ("peeking", "clear"),
    "Night Mostly Cloudy.png": ("peeking", "clear-night"),
    "Cloudy.png": ("overcast", None),
    "Fog.png": ("fog", None),
    "Haze.png": ("haze", None),
    "Cold.png": ("cold", None),
    "Windy.png": ("windy", None),
    "Rain Showers.png": ("oxygen", "showers-scattered"),
    "Rain.png": ("oxygen", "showers"),
    "Snow.png": ("oxygen", "snow"),
    "Hail.png": ("oxygen", "hail"),
    "Rain and Snow.png": ("oxygen", "snow-rain"),
    "Thunderstorms.png": ("oxygen", "storm"),
    "NA.png": ("not_available", None),
}

# PNG writing options that keep the files small and byte-for-byte reproducible.
PNG_OPTIONS = ["-strip", "-define", "png:exclude-chunks=date,time", "-define", "png:compression-level=9"]


def run(args):
    subprocess.run(["convert"] + [str(a) for a in args], check=True)


def oxygen(name, size, work):
    """The Oxygen picture at the given size; a size Oxygen lacks is scaled from its 128-pixel one."""
    path = OXYGEN.format(size=size, name=name)
    if os.path.exists(path):
        return path
    scaled = os.path.join(work, "oxygen-%s-%d.png" % (name, size))
    if not os.path.exists(scaled):
        run([OXYGEN.format(size=128, name=name), "-filter", "Lanczos", "-resize", "%dx%d" % (size, size), scaled])
    return scaled


def layer(path, size, scale, x, y):
    """ImageMagick arguments that put a picture, scaled and placed in fractions of the icon size."""
    pixels = max(1, round(size * scale))
    return ["(", path, "-resize", "%dx%d" % (pixels, pixels), ")", "-geometry",
            "%+d%+d" % (round(size * x), round(size * y)), "-composite"]


def drawing(size, primitives, work, name):
    """Renders drawing primitives given on a 100 x 100 grid into a transparent picture of the icon
    size, with a soft shadow like the one the Oxygen pictures carry."""
    big = size * SUPERSAMPLE
    k = big / 100.0
    mvg = []
    for primitive in primitives:
        mvg.append(primitive(k))
    path = os.path.join(work, "%s-%d.png" % (name, size))
    shadow_blur = 0.03 * size
    run(["-size", "%dx%d" % (big, big), "xc:none", "-draw", "\n".join(mvg),
         "-filter", "Lanczos", "-resize", "%dx%d" % (size, size),
         "(", "+clone", "-fill", "black", "-colorize", "100", "-channel", "A", "-blur", "0x%.2f" % shadow_blur,
         "-evaluate", "multiply", "0.35", "+channel", ")",
         "-geometry", "+0+%d" % max(1, round(size / 64)), "-compose", "DstOver", "-composite", "-compose", "Over",
         "PNG32:" + path])
    return path


def fmt(value):
    return "%.2f" % value


# --- Drawn pieces, on a 100 x 100 grid ---------------------------------------------------------

def stroke(colour, width):
    return lambda k: "stroke '%s' stroke-width %s stroke-linecap round stroke-linejoin round" % (
        colour, fmt(width * k))


def fill(colour):
    return lambda k: "fill '%s'" % colour


def path(d):
    def scaled(k):
        out = []
        for token in d.split():
            try:
                out.append(fmt(float(token) * k))
            except ValueError:
                out.append(token)
        return "path '%s'" % " ".join(out)

    return scaled


def round_rect(x0, y0, x1, y1, r):
    return lambda k: "roundrectangle %s,%s %s,%s %s,%s" % (
        fmt(x0 * k), fmt(y0 * k), fmt(x1 * k), fmt(y1 * k), fmt(r * k), fmt(r * k))


def circle(cx, cy, r):
    return lambda k: "circle %s,%s %s,%s" % (fmt(cx * k), fmt(cy * k), fmt(cx * k), fmt((cy + r) * k))


def line(x0, y0, x1, y1):
    return lambda k: "line %s,%s %s,%s" % (fmt(x0 * k), fmt(y0 * k), fmt(x1 * k), fmt(y1 * k))


def snowflake(cx, cy, r, colour, width):
    out = [stroke(colour, width), fill("none")]
    for i in range(3):
        angle = math.pi / 2 + i * math.pi / 3
        dx, dy = math.cos(angle) * r, math.sin(angle) * r
        out.append(line(cx - dx, cy - dy, cx + dx, cy + dy))
        for sign in (1, -1):
            # Two small branches near each end of the arm.
            bx, by = cx + sign * dx * 0.6, cy + sign * dy * 0.6
            for turn in (math.pi / 4, -math.pi / 4):
                a = angle + (0 if sign > 0 else math.pi) + turn
                out.append(line(bx, by, bx + math.cos(a) * r * 0.35, by + math.sin(a) * r * 0.35))
    return out


def thermometer():
    glass = "#f4f8fc"
    outline = "#4a5d73"
    mercury = "#2f7fd8"
    parts = [
        # The glass tube and bulb, outlined, then filled, so the outline stays outside the glass.
        stroke(outline, 5), fill(outline), round_rect(35, 8, 55, 72, 10), circle(45, 77, 15),
        stroke("none", 0), fill(glass), round_rect(37.5, 10.5, 52.5, 72, 7.5), circle(45, 77, 12.5),
        # A low mercury column: it is cold.
        fill(mercury), round_rect(41.5, 48, 48.5, 80, 3.5), circle(45, 77, 9),
        # Scale marks beside the column.
        stroke("#8aa0b8", 1.6), line(50, 20, 52.5, 20), line(50, 28, 52.5, 28), line(50, 36, 52.5, 36),
        line(50, 44, 52.5, 44), line(50, 52, 52.5, 52), line(50, 60, 52.5, 60),
        # Light on the glass.
        stroke("none", 0), fill("rgba(255,255,255,0.85)"), round_rect(39.5, 14, 41.5, 44, 1),
        circle(41, 73, 2.8),
    ]
    parts += snowflake(76, 30, 15, "#3d6b99", 6.5)
    parts += snowflake(76, 30, 15, "#d9efff", 3.2)
    return parts


def wind():
    # Three gusts; each ends in a curl. Drawn twice: a dark edge, then the light stroke.
    gusts = [
        "M 8 36 L 60 36 C 74 36 80 22 70 16 C 62 12 54 20 60 27",
        "M 14 52 L 78 52 C 92 52 96 68 86 73 C 78 77 70 70 75 64",
        "M 4 68 L 48 68 C 58 68 62 79 55 84 C 49 88 42 82 47 77",
    ]
    parts = []
    for colour, width in (("#4f6f8f", 9), ("#eef6ff", 5)):
        parts += [stroke(colour, width), fill("none")]
        parts += [path(g) for g in gusts]
    return parts


def bands(rows, colour, edge):
    """Horizontal rounded streaks of fog or haze: (y, x0, x1) each."""
    parts = []
    for c, width in ((edge, 7.5), (colour, 5.5)):
        parts += [stroke(c, width), fill("none")]
        parts += [line(x0, y, x1, y) for y, x0, x1 in rows]
    return parts


# --- Recipes -----------------------------------------------------------------------------------

def make_icon(recipe, argument, size, work, name):
    if recipe == "oxygen":
        return ["(", oxygen(argument, size, work), ")"]
    canvas = ["-size", "%dx%d" % (size, size), "xc:none"]
    if recipe == "peeking":
        # A small sun or moon behind heavy cloud: more cloud than "Partly Cloudy" shows.
        return canvas + layer(oxygen(argument, size, work), size, 0.52, 0.40, 0.02) + \
            layer(oxygen("many-clouds", size, work), size, 1.0, 0, 0.06)
    if recipe == "overcast":
        # A darker cloud bank behind the white one: the whole sky is covered.
        dark = os.path.join(work, "dark-clouds-%d.png" % size)
        run([oxygen("overcast", size, work), "-modulate", "62,40", "PNG32:" + dark])
        return canvas + layer(dark, size, 0.9, 0.12, -0.08) + layer(oxygen("overcast", size, work), size, 1.0, 0, 0.06)
    if recipe == "fog":
        # A pale cloud sinking into streaks of mist.
        pale = os.path.join(work, "pale-clouds-%d.png" % size)
        run([oxygen("overcast", size, work), "-modulate", "100,30", "-channel", "A", "-evaluate", "multiply", "0.9",
             "+channel", "PNG32:" + pale])
        streaks = drawing(size, bands([(62, 12, 72), (73, 26, 90), (84, 8, 66)], "rgba(242,245,248,0.92)",
                                      "rgba(112,126,140,0.75)"), work, "fog")
        return canvas + layer(pale, size, 0.92, 0.04, -0.06) + layer(streaks, size, 1.0, 0, 0)
    if recipe == "haze":
        # A dimmed sun behind brownish bands of dust or smoke.
        streaks = drawing(size, bands([(56, 10, 70), (67, 24, 92), (78, 6, 78), (89, 30, 84)],
                                      "rgba(232,210,168,0.88)", "rgba(140,114,74,0.8)"), work, "haze")
        pale_sun = os.path.join(work, "pale-sun-%d.png" % size)
        run([oxygen("clear", size, work), "-modulate", "96,60", "PNG32:" + pale_sun])
        return canvas + layer(pale_sun, size, 0.84, 0.08, -0.03) + layer(streaks, size, 1.0, 0, 0)
    if recipe == "cold":
        return canvas + layer(drawing(size, thermometer(), work, "cold"), size, 1.0, 0, 0)
    if recipe == "windy":
        cloud = oxygen("overcast", size, work)
        return canvas + layer(cloud, size, 0.62, 0.0, -0.08) + layer(drawing(size, wind(), work, "wind"), size, 1.0,
                                                                        0, 0.04)
    if recipe == "not_available":
        # A faded grey cloud with a question mark: no usable weather for this place.
        faded = os.path.join(work, "faded-clouds-%d.png" % size)
        run([oxygen("overcast", size, work), "-modulate", "85,0", "-channel", "A", "-evaluate", "multiply", "0.55",
             "+channel", "PNG32:" + faded])
        mark = drawing(size, question_mark(), work, "question")
        return canvas + layer(faded, size, 1.0, 0, 0.02) + layer(mark, size, 1.0, 0, 0)
    raise ValueError(recipe)


def question_mark():
    hook = "M 38 36 C 38 22 62 20 62 35 C 62 45 50 46 50 57 L 50 60"
    parts = []
    for colour, width in (("#5b6673", 13), ("#ffffff", 8.5)):
        parts += [stroke(colour, width), fill("none"), path(hook)]
    parts += [stroke("#5b6673", 2.2), fill("#ffffff"), circle(50, 73, 5.2)]
    return parts


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    targets = ((sys.argv[1], SMALL_SIZE), (sys.argv[2], LARGE_SIZE))
    work = tempfile.mkdtemp(prefix="nimbrel-icons-")
    try:
        for folder, size in targets:
            os.makedirs(folder, exist_ok=True)
            for file_name, (recipe, argument) in ICONS.items():
                stem = file_name[:-4].replace(" ", "-")
                args = make_icon(recipe, argument, size, work, stem)
                temporary = os.path.join(folder, file_name + ".tmp")
                run(args + ["-background", "none", "-gravity", "NorthWest", "-extent", "%dx%d" % (size, size)] +
                    PNG_OPTIONS + ["PNG32:" + temporary])
                os.replace(temporary, os.path.join(folder, file_name))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
