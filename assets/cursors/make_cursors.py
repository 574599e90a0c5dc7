#!/usr/bin/env python3
"""Draws the program's two cursors and writes them in the Windows formats the program reads.

arrow.cur  32 x 32, 256 colours (8 bits per pixel, colour table), hot spot at the top-left pixel.
busy.ani   RIFF "ACON": 20 frames of a spinning ring, 32 x 32 with alpha, 4 jiffies (1/60 s) each,
           with "rate" and "seq " chunks and an INFO list that readers must skip.

Run it from anywhere: the files land beside this script. Only the standard library is used, so the
output is the same on every machine.
"""
import math
import os
import struct

SIZE = 32
FRAMES = 20
JIFFIES_PER_FRAME = 4

# The classic arrow: '#' outline, '.' fill, anything else transparent.
ARROW = [
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.........#",
    "#......#####",
    "#...#..#",
    "#..##..#",
    "#.#  #..#",
    "##   #..#",
    "#     #..#",
    "      #..#",
    "       ##",
]


def and_mask(opaque):
    """1-bit AND mask rows, bottom-up, each row padded to 32 bits; 1 = transparent."""
    rows = []
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if not opaque(x, y):
                bits |= 1 << (31 - x)
        rows.append(struct.pack(">I", bits))
    return b"".join(rows)


def bitmap_info(bit_count, colours):
    # The height counts the colour bitmap and the AND mask together, as icons and cursors require.
    image_size = SIZE * SIZE * bit_count // 8
    return struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bit_count, 0, image_size, 0, 0,
                       colours, 0)


def cursor_file(dib, hot_x, hot_y):
    """A CUR file (resource type 2) holding one 32 x 32 image."""
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hot_x, hot_y, len(dib), 6 + 16)
    return header + entry + dib


def arrow_dib():
    palette = [(0, 0, 0), (255, 255, 255)] + [(0, 0, 0)] * 254
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)

    def cell(x, y):
        row = ARROW[y] if y < len(ARROW) else ""
        return row[x] if x < len(row) else " "

    pixels = bytearray()
    for y in reversed(range(SIZE)):
        for x in range(SIZE):
            pixels.append(1 if cell(x, y) == "." else 0)
    mask = and_mask(lambda x, y: cell(x, y) in "#.")
    return bitmap_info(8, 256) + table + bytes(pixels) + mask


def ring_pixel(frame, x, y):
    """Colour and coverage of one pixel of the spinning ring, supersampled 4 x 4."""
    centre = (SIZE - 1) / 2.0
    outer, inner = 13.5, 8.5
    head = frame * 2 * math.pi / FRAMES
    r_sum = g_sum = b_sum = a_sum = 0.0
    samples = 4
    for sy in range(samples):
        for sx in range(samples):
            px = x + (sx + 0.5) / samples - 0.5 - centre
            py = y + (sy + 0.5) / samples - 0.5 - centre
            distance = math.hypot(px, py)
            if distance > outer or distance < inner:
                continue
            angle = math.atan2(py, px) + math.pi / 2
            behind = (head - angle) % (2 * math.pi) / (2 * math.pi)
            tail = max(0.0, 1.0 - behind / 0.75)
            # A grey track with a blue comet running round it.
            r = 200 * (1 - tail) + 30 * tail
            g = 200 * (1 - tail) + 110 * tail
            b = 200 * (1 - tail) + 230 * tail
            r_sum, g_sum, b_sum = r_sum + r, g_sum + g, b_sum + b
            a_sum += 1
    if a_sum == 0:
        return 0, 0, 0, 0
    alpha = a_sum / (samples * samples)
    return (round(r_sum / a_sum), round(g_sum / a_sum), round(b_sum / a_sum), round(255 * alpha))


def ring_dib(frame):
    pixels = bytearray()
    opaque = set()
    for y in reversed(range(SIZE)):
        for x in range(SIZE):
            r, g, b, a = ring_pixel(frame, x, y)
            if a:
                opaque.add((x, y))
            # Colours premultiplied by nothing: Windows and Qt both read straight alpha here.
            pixels += struct.pack("<BBBB", b, g, r, a)
    return bitmap_info(32, 0) + bytes(pixels) + and_mask(lambda x, y: (x, y) in opaque)


def chunk(tag, data):
    padded = data + (b"\0" if len(data) % 2 else b"")
    return tag + struct.pack("<I", len(data)) + padded


def animated_cursor():
    centre = SIZE // 2
    icons = b"".join(chunk(b"icon", cursor_file(ring_dib(f), centre, centre)) for f in range(FRAMES))
    AF_ICON, AF_SEQUENCE = 1, 2
    anih = struct.pack("<9I", 36, FRAMES, FRAMES, 0, 0, 0, 0, JIFFIES_PER_FRAME,
                       AF_ICON | AF_SEQUENCE)
    info = chunk(b"LIST", b"INFO" + chunk(b"INAM", b"Quillo busy\0") + chunk(b"IART", b"Quillo\0"))
    body = (b"ACON" + info + chunk(b"anih", anih)
            + chunk(b"rate", struct.pack("<%dI" % FRAMES, *[JIFFIES_PER_FRAME] * FRAMES))
            + chunk(b"seq ", struct.pack("<%dI" % FRAMES, *range(FRAMES)))
            + chunk(b"LIST", b"fram" + icons))
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "arrow.cur"), "wb") as f:
        f.write(cursor_file(arrow_dib(), 0, 0))
    with open(os.path.join(here, "busy.ani"), "wb") as f:
        f.write(animated_cursor())


if __name__ == "__main__":
    main()
