#!/usr/bin/env python3
"""Draws the program's icon into assets/icons/: quillo.svg and hicolor/<n>x<n>/quillo.png.

A rounded blue square with a white "Q" whose tail is a pen stroke. The SVG and the PNGs come from
the same geometry (a 256-unit square): the PNGs are rendered here, 4x4 samples per pixel, so the
small sizes stay smooth and the whole set is reproducible with nothing but Python 3:

    python3 assets/icons/generate.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SAMPLES = 4

# Geometry in units of a 256 square.
CORNER = 56
TOP_COLOUR = (0x3C, 0x8D, 0xDB)
BOTTOM_COLOUR = (0x1F, 0x5A, 0xA6)
RING_CENTRE = (118, 116)
RING_RADIUS = 62
RING_WIDTH = 26
TAIL = ((168, 166), (200, 200))
TAIL_WIDTH = 30
NIB = (206, 206)
NIB_RADIUS = 17
NIB_COLOUR = (0xF5, 0xB9, 0x2E)
WHITE = (0xFF, 0xFF, 0xFF)


def inside_rounded_square(x, y):
    cx = min(max(x, CORNER), 256 - CORNER)
    cy = min(max(y, CORNER), 256 - CORNER)
    return 0 <= x <= 256 and 0 <= y <= 256 and (x - cx) ** 2 + (y - cy) ** 2 <= CORNER ** 2


def distance_to_segment(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def colour_at(x, y):
    """RGBA of the drawing at one point, in 0..255."""
    if not inside_rounded_square(x, y):
        return (0, 0, 0, 0)
    if math.hypot(x - NIB[0], y - NIB[1]) <= NIB_RADIUS:
        return NIB_COLOUR + (255,)
    ring = abs(math.hypot(x - RING_CENTRE[0], y - RING_CENTRE[1]) - RING_RADIUS) <= RING_WIDTH / 2
    if ring or distance_to_segment(x, y, *TAIL) <= TAIL_WIDTH / 2:
        return WHITE + (255,)
    t = y / 256
    return tuple(round(a + (b - a) * t) for a, b in zip(TOP_COLOUR, BOTTOM_COLOUR)) + (255,)


def render(size):
    rows = []
    scale = 256 / size
    for py in range(size):
        row = bytearray()
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = colour_at((px + (sx + 0.5) / SAMPLES) * scale,
                                           (py + (sy + 0.5) / SAMPLES) * scale)
                    total[0] += r * a
                    total[1] += g * a
                    total[2] += b * a
                    total[3] += a
            alpha = total[3]
            if alpha:
                row += bytes(round(c / alpha) for c in total[:3])
            else:
                row += bytes(3)
            row.append(round(alpha / SAMPLES ** 2))
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def svg():
    hexcolour = lambda c: "#%02x%02x%02x" % c
    (tx1, ty1), (tx2, ty2) = TAIL
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="face" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{hexcolour(TOP_COLOUR)}"/>
      <stop offset="1" stop-color="{hexcolour(BOTTOM_COLOUR)}"/>
    </linearGradient>
    <clipPath id="square"><rect width="256" height="256" rx="{CORNER}"/></clipPath>
  </defs>
  <g clip-path="url(#square)">
    <rect width="256" height="256" fill="url(#face)"/>
    <circle cx="{RING_CENTRE[0]}" cy="{RING_CENTRE[1]}" r="{RING_RADIUS}" fill="none" stroke="#ffffff" stroke-width="{RING_WIDTH}"/>
    <line x1="{tx1}" y1="{ty1}" x2="{tx2}" y2="{ty2}" stroke="#ffffff" stroke-width="{TAIL_WIDTH}" stroke-linecap="round"/>
    <circle cx="{NIB[0]}" cy="{NIB[1]}" r="{NIB_RADIUS}" fill="{hexcolour(NIB_COLOUR)}"/>
  </g>
</svg>
"""


def main():
    with open(os.path.join(HERE, "quillo.svg"), "w", encoding="utf-8") as f:
        f.write(svg())
    for size in SIZES:
        folder = os.path.join(HERE, "hicolor", f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "quillo.png"), "wb") as f:
            f.write(png(size, render(size)))


if __name__ == "__main__":
    main()
