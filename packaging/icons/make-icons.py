#!/usr/bin/env python3
"""Draws kvizor's small raster icons, pixel by pixel, in the 16-colour VGA
palette and in black and white.

    make-icons.py [OUTDIR]     write the icons (default: next to this script)
    make-icons.py --check      fail if the icons next to this script differ
                               from what this script draws

Writes kvizor-32.png and kvizor-16.png (VGA palette), kvizor-32-mono.png
(black and white) and kvizor.ico holding all three as classic bitmaps.
The picture matches kvizor.svg: a white window with a cyan title bar, turned
away from the viewer, with a grey shadow. The small sizes are not scaled from
the SVG but drawn on their own pixel grid, so every edge lands on a pixel.

Only the standard library is used and nothing depends on the time or the
machine, so running the script again gives the same files byte for byte.
"""

import os
import struct
import sys
import zlib

# The 16 colours of the VGA text-mode palette, in their usual order.
VGA = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0xAA), (0x00, 0xAA, 0x00), (0x00, 0xAA, 0xAA),
    (0xAA, 0x00, 0x00), (0xAA, 0x00, 0xAA), (0xAA, 0x55, 0x00), (0xAA, 0xAA, 0xAA),
    (0x55, 0x55, 0x55), (0x55, 0x55, 0xFF), (0x55, 0xFF, 0x55), (0x55, 0xFF, 0xFF),
    (0xFF, 0x55, 0x55), (0xFF, 0x55, 0xFF), (0xFF, 0xFF, 0x55), (0xFF, 0xFF, 0xFF),
]
BLACK, CYAN, LIGHT_CYAN, DARK_GREY, WHITE = 0, 3, 11, 8, 15
CLEAR = -1  # a transparent pixel

# Black and white: index 0 is black, 1 is white.
MONO = [(0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF)]
MONO_BLACK, MONO_WHITE = 0, 1

# Each size's drawing, in pixel coordinates (x to the right, y down; a pixel
# (x, y) covers the square from (x, y) to (x + 1, y + 1)).
#   window   corners: top left, top right, bottom right, bottom left. The left
#            edge is the near one, so it is taller than the right edge.
#   title    where the lower edge of the title bar meets the left and the
#            right edge of the window.
#   shadow   how far the shadow falls, right and down.
DRAWINGS = {
    32: {
        "window": [(1, 3), (25, 7), (25, 24), (1, 28)],
        "title": [(1, 9), (25, 11)],
        "shadow": (3, 3),
    },
    16: {
        "window": [(0, 1), (13, 3), (13, 12), (0, 14)],
        "title": [(0, 5), (13, 6)],
        "shadow": (2, 2),
    },
}


def inside(polygon, x, y):
    """Whether the centre of pixel (x, y) lies in a convex polygon whose
    corners go clockwise on the screen."""
    px, py = x + 0.5, y + 0.5
    n = len(polygon)
    for i in range(n):
        (ax, ay), (bx, by) = polygon[i], polygon[(i + 1) % n]
        if (bx - ax) * (py - ay) - (by - ay) * (px - ax) < 0:
            return False
    return True


def draw(size, mono=False):
    """The icon of the given size as rows of palette indices (CLEAR for a
    transparent pixel)."""
    d = DRAWINGS[size]
    tl, tr, br, bl = d["window"]
    title = [tl, tr, d["title"][1], d["title"][0]]
    dx, dy = d["shadow"]
    shadow = [(x + dx, y + dy) for x, y in d["window"]]

    def in_window(x, y):
        return 0 <= x < size and 0 <= y < size and inside(d["window"], x, y)

    def in_title(x, y):
        return in_window(x, y) and inside(title, x, y)

    def on_edge(x, y):
        # The outline: window pixels with a side that touches the outside.
        return in_window(x, y) and not all(in_window(x + ax, y + ay)
                                           for ax, ay in ((-1, 0), (1, 0), (0, -1), (0, 1)))

    black = MONO_BLACK if mono else BLACK
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if in_window(x, y):
                if on_edge(x, y):
                    c = black
                elif in_title(x, y):
                    # In black and white the title bar is solid black; in
                    # colour it is cyan, lit in light cyan along its top.
                    if mono:
                        c = MONO_BLACK
                    elif size >= 32 and on_edge(x, y - 1):
                        c = LIGHT_CYAN
                    else:
                        c = CYAN
                elif in_title(x, y - 1):
                    c = black  # the line under the title bar
                else:
                    c = MONO_WHITE if mono else WHITE
            elif inside(shadow, x, y):
                if mono:
                    # A half-tone shadow: every other pixel is black.
                    c = MONO_BLACK if (x + y) % 2 == 0 else CLEAR
                else:
                    c = DARK_GREY
            else:
                c = CLEAR
            row.append(c)
        rows.append(row)
    return rows


# --- PNG -------------------------------------------------------------------

def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _pack_row(indices, depth):
    per_byte = 8 // depth
    out = bytearray()
    for i in range(0, len(indices), per_byte):
        byte = 0
        group = indices[i:i + per_byte]
        for j in range(per_byte):
            v = group[j] if j < len(group) else 0
            byte |= v << (8 - depth * (j + 1))
        out.append(byte)
    return bytes(out)


def png(rows, palette):
    """An indexed PNG. Transparent pixels get one extra palette entry after
    the given colours, marked fully transparent."""
    clear = len(palette)
    entries = palette + [(0, 0, 0)]
    depth = 1
    while (1 << depth) < len(entries):
        depth *= 2
    raw = b"".join(b"\x00" + _pack_row([clear if c == CLEAR else c for c in r], depth) for r in rows)
    width, height = len(rows[0]), len(rows)
    return (b"\x89PNG\r\n\x1a\n"
            + _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, 3, 0, 0, 0))
            + _chunk(b"PLTE", b"".join(bytes(c) for c in entries))
            + _chunk(b"tRNS", b"\xff" * clear + b"\x00")
            + _chunk(b"IDAT", zlib.compress(raw, 9))
            + _chunk(b"IEND", b""))


def png_content(data):
    """What a PNG written by png() shows: its header, palette, transparency
    and unpacked rows. Compression is left out, so two zlib builds that pack
    the same rows differently still compare equal."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, chunks, idat = 8, {}, b""
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        if kind == b"IDAT":
            idat += body
        else:
            chunks[kind] = body
        pos += 12 + length
    return chunks.get(b"IHDR"), chunks.get(b"PLTE"), chunks.get(b"tRNS"), zlib.decompress(idat)


# --- ICO -------------------------------------------------------------------

def _bmp_rows(rows, depth):
    """Rows bottom-up, each padded to a multiple of four bytes, as in a
    Windows bitmap."""
    out = b""
    for r in reversed(rows):
        packed = _pack_row(r, depth)
        out += packed + b"\x00" * (-len(packed) % 4)
    return out


def ico(images):
    """A Windows icon file from (rows, palette) pairs. Each image is a
    bitmap with as many colours as its palette holds (2 or 16) plus the
    one-bit mask that makes the CLEAR pixels transparent."""
    blobs, entries = [], []
    for rows, palette in images:
        size = len(rows)
        depth = 1 if len(palette) <= 2 else 4
        colours = [[0 if c == CLEAR else c for c in r] for r in rows]
        mask = [[1 if c == CLEAR else 0 for c in r] for r in rows]
        table = palette + [(0, 0, 0)] * ((1 << depth) - len(palette))
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0, 0, 0, 0, 0, 0)
        blob = (header
                + b"".join(bytes((b, g, r, 0)) for r, g, b in table)
                + _bmp_rows(colours, depth)
                + _bmp_rows(mask, 1))
        blobs.append(blob)
        entries.append((size, len(palette) if len(palette) < 256 else 0, depth, len(blob)))
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for size, count, depth, length in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, count, 0, 1, depth, length, offset)
        offset += length
    return out + b"".join(blobs)


# --- the files ---------------------------------------------------------------

def icons():
    """Every file this script makes, by name."""
    colour32, colour16, mono32 = draw(32), draw(16), draw(32, mono=True)
    return {
        "kvizor-32.png": png(colour32, VGA),
        "kvizor-16.png": png(colour16, VGA),
        "kvizor-32-mono.png": png(mono32, MONO),
        "kvizor.ico": ico([(colour32, VGA), (colour16, VGA), (mono32, MONO)]),
    }


def check(directory):
    stale = []
    for name, data in icons().items():
        path = os.path.join(directory, name)
        try:
            with open(path, "rb") as f:
                committed = f.read()
        except OSError as e:
            stale.append(f"{name}: {e.strerror}")
            continue
        if name.endswith(".png"):
            try:
                same = png_content(committed) == png_content(data)
            except (ValueError, zlib.error, struct.error):
                same = False
        else:
            same = committed == data
        if not same:
            stale.append(f"{name}: differs from what make-icons.py draws")
    for line in stale:
        print(line, file=sys.stderr)
    if stale:
        print("run packaging/icons/make-icons.py and commit the icons", file=sys.stderr)
    return 1 if stale else 0


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    if argv[1:] == ["--check"]:
        return check(here)
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith("-")):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    outdir = argv[1] if len(argv) == 2 else here
    os.makedirs(outdir, exist_ok=True)
    for name, data in icons().items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
