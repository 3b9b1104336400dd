#!/usr/bin/env python3
"""Draws the tray logo "tavrik-logo-white" and the desktop icon from one pixel grid.

The mark is four bars rising from a common baseline, the same bars as the card's logo. The
tray logo is white on transparent, 18 x 18 pixels, and twice that for screens at 2x, each
pixel doubled so no edge falls between pixels. Run it from anywhere; it rewrites
resources/tavrik-logo-white.png, resources/tavrik-logo-white@2x.png and packaging/tavrik.svg.
"""
import os
import struct
import zlib

SIZE = 18
# (first column, width, top row); every bar ends on row 16 (rows and columns from 0).
BARS = [(2, 3, 8), (6, 3, 1), (10, 3, 11), (14, 3, 4)]
BOTTOM = 16


def grid():
    cells = [[0] * SIZE for _ in range(SIZE)]
    for x0, w, top in BARS:
        for y in range(top, BOTTOM + 1):
            for x in range(x0, x0 + w):
                cells[y][x] = 1
    return cells


def png(cells, scale):
    n = SIZE * scale
    raw = bytearray()
    for y in range(n):
        raw.append(0)  # no filter
        for x in range(n):
            on = cells[y // scale][x // scale]
            raw += bytes((255, 255, 255, 255 if on else 0))
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def svg():
    # The desktop icon: the mark in the default accent on the card's dark panel.
    rects = "\n".join(
        f'  <rect x="{x0 + 3}" y="{top + 3}" width="{w}" height="{BOTTOM - top + 1}" fill="#3d7bf0"/>'
        for x0, w, top in BARS)
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 24 24" shape-rendering="crispEdges">
  <rect x="0" y="0" width="24" height="24" rx="4" fill="#0b0d12"/>
  <rect x="0.5" y="0.5" width="23" height="23" rx="3.5" fill="none" stroke="#20232e" stroke-width="1"/>
{rects}
</svg>
'''


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    cells = grid()
    with open(os.path.join(root, "resources", "tavrik-logo-white.png"), "wb") as f:
        f.write(png(cells, 1))
    with open(os.path.join(root, "resources", "tavrik-logo-white@2x.png"), "wb") as f:
        f.write(png(cells, 2))
    with open(os.path.join(root, "packaging", "tavrik.svg"), "w") as f:
        f.write(svg())


if __name__ == "__main__":
    main()
