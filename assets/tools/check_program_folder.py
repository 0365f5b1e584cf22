#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Checks what the build put beside Nimbrel.exe: the files the program loads at run time.

- Weather icons: every file name the program's icon tables name (read from its source), plus
  "NA.png", exists in both icon folders and decodes completely as a PNG of that folder's size, with
  something visible in it.
- CityRecords.txt: Windows-1252 text whose every line is a record the program's reader accepts
  (seven fields, strict numbers, positions on the globe), ids and station codes unique, and the
  built-in default cities present with exactly their ids, names, details and positions.
- EarthBackgrounds: "Blue Marble.jpg" and at least one more image; every file there is offered to the
  user, so every file must be an equirectangular (2:1) JPEG.
- UI/LocalWeatherBackground.png: a semi-transparent panel whose alpha does not change along the
  directions in which the program stretches its 30-pixel nine-slice.

Usage: check_program_folder.py PROGRAM_DIR ICON_TABLE_SOURCE
Prints one line per group and "N passed, N failed"; exits non-zero on any failure.
"""

import os
import re
import struct
import sys
import zlib

SMALL_SIZE = 64
LARGE_SIZE = 128
BORDER = 30
MIN_RECORDS = 3000
MAX_LINE = 5119  # the program reads at most this many characters of one line

BUILT_IN = [
    ("348400", "KLAX", "USA", "Los Angeles", "Los Angeles International Airport", 33.938, -118.389),
    ("358900", "KMIA", "USA", "Miami", "Miami International Airport", 25.791, -80.316),
    ("370800", "KJFK", "USA", "New York", "Kennedy International Airport", 40.639, -73.762),
    ("113600", "LFPO", "France", "Paris", "Orly", 48.733, 2.400),
    ("221800", "LEMD", "Spain", "Madrid", "Barajas", 40.450, -3.550),
    ("152100", "LIRF", "Italy", "Roma", "Fiumicino", 41.800, 12.233),
    ("163300", "RJAA", "Japan", "Tokyo", "New Tokyo International Airport", 35.767, 140.383),
    ("213600", "WSSS", "Singapore", "Singapore", "Changi Airport", 1.367, 103.983),
    ("216100", "FAJS", "South Africa", "Johannesburg", "", -26.133, 28.233),
    ("227400", "ESSA", "Sweden", "Stockholm", "Arlanda", 59.650, 17.950),
    ("79800", "CYVR", "Canada", "Vancouver", "International Airport", 49.183, -123.167),
    ("12100", "YSSY", "Australia", "Sydney", "", -33.950, 151.183),
    ("86600", "ZBAA", "China", "Beijing", "", 39.933, 116.283),
    ("133400", "VHHH", "Hong Kong", "Hong Kong", "", 22.333, 114.183),
    ("136800", "VIDP", "India", "New Delhi", "Palam", 28.567, 77.117),
    ("179000", "GMMC", "Morocco", "Casablanca", "", 33.567, -7.667),
    ("23000", "SBBR", "Brazil", "Brasilia", "", -15.867, -47.933),
    ("175100", "MMMX", "Mexico", "Mexico City", "Licenci", 19.433, -99.100),
]


class CheckFailed(Exception):
    pass


def require(condition, message):
    if not condition:
        raise CheckFailed(message)


# --- PNG and JPEG -----------------------------------------------------------------------------

def read_png(path):
    """Decodes an 8-bit, non-interlaced PNG completely: (width, height, channels, rows of bytes).
    Checks every chunk's CRC, the IHDR fields, the compressed data and every row's filter."""
    with open(path, "rb") as f:
        data = f.read()
    require(data[:8] == b"\x89PNG\r\n\x1a\n", "%s: not a PNG file" % path)
    pos, header, idat, ended = 8, None, b"", False
    while pos < len(data) and not ended:
        require(pos + 12 <= len(data), "%s: truncated chunk" % path)
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        require(len(body) == length and pos + 12 + length <= len(data), "%s: truncated %r chunk" % (path, kind))
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        require(zlib.crc32(kind + body) & 0xFFFFFFFF == crc, "%s: bad CRC in %r" % (path, kind))
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            ended = True
        pos += 12 + length
    require(header is not None and ended, "%s: no IHDR or IEND" % path)
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
    require(depth == 8 and channels is not None and interlace == 0,
            "%s: unexpected PNG format (depth %d, colour type %d)" % (path, depth, colour))
    try:
        raw = zlib.decompress(idat)
    except zlib.error as e:
        raise CheckFailed("%s: image data does not decompress (%s)" % (path, e))
    stride = width * channels
    require(len(raw) == height * (stride + 1), "%s: image data has the wrong length" % path)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        require(kind <= 4, "%s: bad filter %d in row %d" % (path, kind, y))
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(line)
        previous = line
    return width, height, channels, rows


def alpha(image, x, y):
    width, height, channels, rows = image
    return rows[y][x * channels + channels - 1] if channels in (2, 4) else 255


def jpeg_size(path):
    """(width, height) from a JPEG's frame header."""
    with open(path, "rb") as f:
        data = f.read()
    require(data[:2] == b"\xff\xd8", "%s: not a JPEG file" % path)
    pos = 2
    while pos + 4 <= len(data):
        require(data[pos] == 0xFF, "%s: broken JPEG marker at %d" % (path, pos))
        marker = data[pos + 1]
        if marker == 0xFF:
            pos += 1
            continue
        (length,) = struct.unpack(">H", data[pos + 2:pos + 4])
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            height, width = struct.unpack(">HH", data[pos + 5:pos + 9])
            require(data.rstrip(b"\x00").endswith(b"\xff\xd9"), "%s: JPEG data is cut short" % path)
            return width, height
        pos += 2 + length
    raise CheckFailed("%s: no JPEG frame header" % path)


# --- Groups of checks ---------------------------------------------------------------------------

def icon_names(source):
    with open(source, encoding="utf-8") as f:
        names = set(re.findall(r'L"([^"]+\.png)"', f.read()))
    require(len(names) >= 19, "%s names only %d icon files" % (source, len(names)))
    return sorted(names | {"NA.png"})


def check_icons(folder, source):
    names = icon_names(source)
    pictures = {}
    for sub, size in (("SmallWeatherIcons", SMALL_SIZE), ("LargeWeatherIcons", LARGE_SIZE)):
        for name in names:
            path = os.path.join(folder, sub, name)
            require(os.path.isfile(path), "missing %s" % path)
            image = read_png(path)
            require(image[:2] == (size, size), "%s is %dx%d, not %dx%d" % (path, image[0], image[1], size, size))
            visible = sum(1 for y in range(size) for x in range(size) if alpha(image, x, y) > 32)
            require(visible > size * size // 20, "%s is almost entirely transparent" % path)
            pictures[(sub, name)] = image[3]
        # A night picture that equals the day one would show the sun at night.
        for name in names:
            if name.startswith("Night ") and name[6:] in names:
                require(pictures[(sub, name)] != pictures[(sub, name[6:])],
                        "%s/%s is the same picture as %s" % (sub, name, name[6:]))
    return "%d icons in both sizes" % len(names)


def parse_int(text):
    # Like the program's reader: blanks allowed around an optional sign and digits.
    require(re.fullmatch(r"[ \t]*[+-]?\d+[ \t]*", text) is not None, "bad integer %r" % text)
    value = int(text)
    require(-2 ** 31 <= value < 2 ** 31, "integer out of range %r" % text)
    return value


def parse_double(text):
    # Like the program's reader: a zero must be written starting with "0" (not "-0" or ".0").
    require(re.fullmatch(r"[ \t]*[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?[ \t]*", text) is not None,
            "bad number %r" % text)
    value = float(text)
    require(value != 0.0 or text.lstrip(" \t").startswith("0"), "zero written as %r" % text)
    return value


def check_catalogue(folder):
    path = os.path.join(folder, "CityRecords.txt")
    require(os.path.isfile(path), "missing %s" % path)
    with open(path, "rb") as f:
        data = f.read()
    try:
        text = data.decode("cp1252")
    except UnicodeDecodeError as e:
        raise CheckFailed("CityRecords.txt is not Windows-1252 text: %s" % e)
    require(text.endswith("\r\n"), "CityRecords.txt does not end with CR LF")
    lines = text[:-2].split("\r\n")
    ids, codes, records = set(), set(), {}
    for number, line in enumerate(lines, 1):
        where = "CityRecords.txt line %d" % number
        require("\r" not in line and "\n" not in line, "%s: a stray line break" % where)
        require(len(line) <= MAX_LINE, "%s is longer than the reader takes" % where)
        fields = line.split(";")
        require(len(fields) == 7, "%s has %d fields, not 7" % (where, len(fields)))
        try:
            record_id = parse_int(fields[0])
            latitude, longitude = parse_double(fields[5]), parse_double(fields[6])
        except CheckFailed as e:
            raise CheckFailed("%s: %s" % (where, e))
        code, country, name = fields[1], fields[2], fields[3]
        require(re.fullmatch(r"[A-Z][A-Z0-9]{3}", code) is not None, "%s: bad station code %r" % (where, code))
        require(country and name, "%s: empty country or name" % where)
        require(all(f == f.strip() and all(ord(c) >= 0x20 for c in f) for f in fields[1:5]),
                "%s: blanks or control characters around a text" % where)
        require(-90 <= latitude <= 90 and -180 <= longitude <= 180, "%s: position off the globe" % where)
        require(record_id not in ids, "%s: id %d used twice" % (where, record_id))
        require(code not in codes, "%s: station %s listed twice" % (where, code))
        ids.add(record_id)
        codes.add(code)
        records[code] = fields
    require(len(records) >= MIN_RECORDS, "only %d records" % len(records))
    for record_id, code, country, name, details, latitude, longitude in BUILT_IN:
        fields = records.get(code)
        require(fields is not None, "built-in city %s missing" % code)
        require(fields[:5] == [record_id, code, country, name, details],
                "built-in city %s differs: %s" % (code, ";".join(fields)))
        require(round(float(fields[5]), 3) == latitude and round(float(fields[6]), 3) == longitude,
                "built-in city %s is not at its position: %s" % (code, ";".join(fields)))
    return "%d catalogue records" % len(records)


def check_backgrounds(folder):
    path = os.path.join(folder, "EarthBackgrounds")
    require(os.path.isfile(os.path.join(path, "Blue Marble.jpg")), "missing EarthBackgrounds/Blue Marble.jpg")
    files = sorted(os.listdir(path))
    require(len(files) >= 2, "only %s in EarthBackgrounds" % files)
    for name in files:
        width, height = jpeg_size(os.path.join(path, name))
        require(width == 2 * height and width >= 1024, "%s is %dx%d, not a whole-earth image" % (name, width, height))
    return "%d earth images" % len(files)


def check_panel(folder):
    path = os.path.join(folder, "UI", "LocalWeatherBackground.png")
    require(os.path.isfile(path), "missing %s" % path)
    image = read_png(path)
    width, height = image[0], image[1]
    require(width > 2 * BORDER and height > 2 * BORDER, "the panel is only %dx%d" % (width, height))
    a = lambda x, y: alpha(image, x, y)  # noqa: E731
    for y in list(range(BORDER)) + list(range(height - BORDER, height)):
        require(len({a(x, y) for x in range(BORDER, width - BORDER)}) == 1,
                "row %d of a top or bottom edge changes along its stretch" % y)
    for x in list(range(BORDER)) + list(range(width - BORDER, width)):
        require(len({a(x, y) for y in range(BORDER, height - BORDER)}) == 1,
                "column %d of a left or right edge changes along its stretch" % x)
    centre = {a(x, y) for y in range(BORDER, height - BORDER) for x in range(BORDER, width - BORDER)}
    require(len(centre) == 1, "the centre is not even")
    (body,) = centre
    require(96 <= body <= 230, "the centre's alpha %d is not semi-transparent" % body)
    require(max(a(0, 0), a(width - 1, 0), a(0, height - 1), a(width - 1, height - 1)) < 16,
            "the corners are not rounded off")
    return "panel %dx%d, centre alpha %d" % (width, height, body)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    folder, source = sys.argv[1], sys.argv[2]
    passed = failed = 0
    for name, check in (("icons", lambda: check_icons(folder, source)), ("catalogue", lambda: check_catalogue(folder)),
                        ("backgrounds", lambda: check_backgrounds(folder)), ("panel", lambda: check_panel(folder))):
        try:
            print("ok    %-12s %s" % (name, check()))
            passed += 1
        except (CheckFailed, OSError) as e:
            print("FAIL  %-12s %s" % (name, e))
            failed += 1
    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
