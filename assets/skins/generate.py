#!/usr/bin/env python3
"""Draws the three built-in skins (1 yellow, 2 green, 3 blue) into assets/skins/<n>/.

One flat, quiet design in three colours: an accent-coloured caption bar with thin borders and
rounded corners, neutral controls that take the accent on hover and focus. Every picture is drawn
twice, at 1x and at 2x, from the same geometry, so the 2x set is crisp on high-density screens and
lines up with the 1x set at exactly double the coordinates.

Output per skin: the frame pictures (main.bmp, inactive.bmp, mask.bmp), the sheets of control
parts, their *_2x.bmp twins, and skin.ini (code page 936, CR LF), whose rectangles are written
from the same layout the sheets are drawn from. Run it from anywhere; it needs only Python 3:

    python3 assets/skins/generate.py
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ----------------------------------------------------------------------------------- colours


def rgb(hexcode):
    hexcode = hexcode.lstrip("#")
    return tuple(int(hexcode[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    """a moved towards b by t (0..1)."""
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def hexof(c):
    return "%02X%02X%02X" % tuple(int(round(v)) for v in c)


def luminance(c):
    """Relative luminance of a colour, as WCAG defines it."""
    def linear(v):
        v = round(v) / 255.0
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(v) for v in c)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)


# WCAG AA asks 4.5:1 of text and its background; a little more keeps the rounding of drawn,
# anti-aliased pixels on the safe side.
READABLE = 4.6


def readable(colour, others, towards):
    """colour moved towards `towards` until it reads against every one of others."""
    t = 0.0
    while any(contrast(mix(colour, towards, t), other) < READABLE for other in others):
        t += 0.01
    return tuple(round(v) for v in mix(colour, towards, t))


WHITE = rgb("FFFFFF")
BLACK = rgb("000000")
KEY = rgb("FF00FF")  # marks the pixels a part leaves transparent
WINDOW = rgb("F4F5F7")
TEXT = rgb("1F2328")
FILL_DISABLED = rgb("F0F1F3")
PANEL = rgb("FAFBFC")
# Greyed, yet readable on every background a disabled control shows.
TEXT_DISABLED = readable(rgb("9AA0A8"), (WHITE, WINDOW, FILL_DISABLED, PANEL), BLACK)
BORDER = rgb("C3C8D0")
BORDER_HOVER = rgb("9EA5AF")
BORDER_DISABLED = rgb("D9DCE1")
TRACK = rgb("EFF1F3")
TRACK_LINE = rgb("E2E5E9")
GLYPH = rgb("6B727C")
GLYPH_HOVER = rgb("3D434B")
GLYPH_DISABLED = rgb("C3C8CE")
CLOSE_HOVER = rgb("E5484D")
CLOSE_PRESSED = rgb("C5353A")
GREY_INACTIVE = rgb("C9CDD3")


class Palette:
    def __init__(self, name, colour, light, accent, dark, strong, caption_text):
        self.name = name          # the skin's name
        self.colour = colour      # its colour, in words
        self.caption_text = rgb(caption_text)
        # The caption text, the selected text and the progress text are drawn in caption_text on
        # the caption colours and the strong colour: those give way until the text reads.
        away = WHITE if luminance(self.caption_text) < 0.18 else BLACK
        self.light = readable(rgb(light), [self.caption_text], away)    # caption top
        self.accent = readable(rgb(accent), [self.caption_text], away)  # caption bottom and borders
        self.dark = rgb(dark)     # window outline
        self.strong = readable(rgb(strong), [self.caption_text], away)  # focus rings, marks, progress
        self.tint = mix(WHITE, self.accent, 0.16)        # hover and highlight fills
        self.tint_strong = mix(WHITE, self.accent, 0.32)  # pressed fills
        self.inactive_light = mix(self.light, GREY_INACTIVE, 0.8)
        self.inactive_accent = mix(self.accent, GREY_INACTIVE, 0.8)
        self.inactive_dark = mix(self.dark, rgb("9AA1AA"), 0.8)
        self.inactive_text = readable(rgb("5E656E"), [self.inactive_light, self.inactive_accent], BLACK)
        # light captions carry dark glyphs, so hover darkens them; dark captions lighten
        r, g, b = self.accent
        self.caption_is_light = 0.299 * r + 0.587 * g + 0.114 * b > 150

    def hover_overlay(self):
        return (rgb("000000"), 0.10) if self.caption_is_light else (WHITE, 0.22)

    def pressed_overlay(self):
        return (rgb("000000"), 0.20) if self.caption_is_light else (WHITE, 0.36)


PALETTES = {
    1: Palette("琥珀", "黄色", "FFD447", "F5B400", "BF8900", "D99C00", "3B2D00"),
    2: Palette("青翠", "绿色", "48BC7A", "2E9E5B", "1E7343", "2E9E5B", "FFFFFF"),
    3: Palette("湛蓝", "蓝色", "5A9BEA", "2F7BD8", "1E5AA9", "2F7BD8", "FFFFFF"),
}

# ------------------------------------------------------------------------------------ canvas


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def rrect_distance(px, py, x, y, w, h, r):
    """Signed distance from (px, py) to a rounded rectangle; negative inside."""
    hw, hh = w / 2.0, h / 2.0
    qx = abs(px - (x + hw)) - hw + r
    qy = abs(py - (y + hh)) - hh + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


class Canvas:
    """An RGB picture drawn in 1x units at a scale; coverage comes from signed distances, so
    edges are anti-aliased and axis-aligned lines on half-pixel positions stay crisp."""

    def __init__(self, w, h, colour, scale):
        self.s = scale
        self.w, self.h = w * scale, h * scale
        self.px = [list(colour) for _ in range(self.w * self.h)]
        self.clip = (0, 0, self.w, self.h)

    def set_clip(self, x, y, w, h):
        s = self.s
        self.clip = (x * s, y * s, (x + w) * s, (y + h) * s)

    def blend(self, i, colour, alpha):
        p = self.px[i]
        for k in range(3):
            p[k] += (colour[k] - p[k]) * alpha

    def _area(self, x0, y0, x1, y1):
        cx0, cy0, cx1, cy1 = self.clip
        return (max(int(math.floor(x0)), cx0), max(int(math.floor(y0)), cy0),
                min(int(math.ceil(x1)), cx1), min(int(math.ceil(y1)), cy1))

    def shape(self, distance, bounds, paint, alpha=1.0):
        """distance(dx, dy) in device pixels; paint is a colour or a function of device y."""
        x0, y0, x1, y1 = self._area(*bounds)
        for dy in range(y0, y1):
            colour = paint(dy) if callable(paint) else paint
            for dx in range(x0, x1):
                cover = clamp01(0.5 - distance(dx + 0.5, dy + 0.5))
                if cover > 0.0:
                    self.blend(dy * self.w + dx, colour, cover * alpha)

    def rrect(self, x, y, w, h, r, paint, alpha=1.0):
        s = self.s
        X, Y, W, H, R = x * s, y * s, w * s, h * s, r * s
        self.shape(lambda px, py: rrect_distance(px, py, X, Y, W, H, R),
                   (X - 1, Y - 1, X + W + 1, Y + H + 1), paint, alpha)

    def rect(self, x, y, w, h, paint, alpha=1.0):
        self.rrect(x, y, w, h, 0, paint, alpha)

    def line(self, points, width, colour):
        """A polyline of round-capped strokes, points in 1x units."""
        s = self.s
        pts = [(px * s, py * s) for px, py in points]
        half = width * s / 2.0
        for (ax, ay), (bx, by) in zip(pts, pts[1:]):
            self.shape(lambda px, py: segment_distance(px, py, ax, ay, bx, by) - half,
                       (min(ax, bx) - half - 1, min(ay, by) - half - 1,
                        max(ax, bx) + half + 1, max(ay, by) + half + 1), colour)

    def key_outside(self, x, y, w, h, r, threshold=0.3):
        """Marks what lies outside a rounded rectangle with the key colour; edge pixels covered
        enough keep their blend over the background the part is meant to sit on."""
        s = self.s
        X, Y, W, H, R = x * s, y * s, w * s, h * s, r * s
        x0, y0, x1, y1 = self._area(X, Y, X + W, Y + H)
        for dy in range(y0, y1):
            for dx in range(x0, x1):
                if clamp01(0.5 - rrect_distance(dx + 0.5, dy + 0.5, X, Y, W, H, R)) < threshold:
                    self.px[dy * self.w + dx] = list(KEY)

    def gradient(self, y_top, y_bottom, top, bottom):
        """A vertical gradient between two 1x positions, as a paint for shape()."""
        s = self.s
        span = max((y_bottom - y_top) * s - 1, 1)
        return lambda dy: mix(top, bottom, clamp01((dy - y_top * s) / span))


# --------------------------------------------------------------------------------- bmp files


def bmp_header(width, height, bits, image_size, colours, dpm):
    offset = 14 + 40 + 4 * colours
    file_header = struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, dpm, dpm,
                       colours, colours)
    return file_header + info


def dots_per_metre(scale):
    return int(round(96 * scale / 0.0254))


def bmp24(canvas):
    row = (canvas.w * 3 + 3) & ~3
    rows = []
    for y in range(canvas.h - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.w):
            r, g, b = (int(round(v)) for v in canvas.px[y * canvas.w + x])
            line += bytes((b, g, r))
        rows.append(bytes(line) + b"\0" * (row - len(line)))
    pixels = b"".join(rows)
    return bmp_header(canvas.w, canvas.h, 24, len(pixels), 0, dots_per_metre(canvas.s)) + pixels


def bmp1(inside, width, height, scale):
    """1 bit per pixel: index 0 (black) inside the window, index 1 (white) outside."""
    row = ((width + 31) // 32) * 4
    rows = []
    for y in range(height - 1, -1, -1):
        line = bytearray(row)
        for x in range(width):
            if not inside(x, y):
                line[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(line))
    pixels = b"".join(rows)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return bmp_header(width, height, 1, len(pixels), 2, dots_per_metre(scale)) + palette + pixels


# ----------------------------------------------------------------------------- window frame

FRAME_W, FRAME_H = 96, 72
CAPTION_H = 30
BORDER_W = 3
CORNER_R = 6
FRAME_MARGINS = (8, CAPTION_H, 8, 8)
CAPTION_BUTTON_TOP = 4


def caption_paint(c, light, accent):
    to_bottom = c.gradient(0, CAPTION_H, light, accent)
    return lambda dy: to_bottom(dy) if dy < CAPTION_H * c.s else accent


def draw_frame(p, scale, active):
    light, accent, dark = ((p.light, p.accent, p.dark) if active
                           else (p.inactive_light, p.inactive_accent, p.inactive_dark))
    c = Canvas(FRAME_W, FRAME_H, dark, scale)
    c.rrect(1, 1, FRAME_W - 2, FRAME_H - 2, CORNER_R - 1, caption_paint(c, light, accent))
    client_h = FRAME_H - CAPTION_H - BORDER_W
    c.rrect(BORDER_W, CAPTION_H, FRAME_W - 2 * BORDER_W, client_h, 3, WINDOW)
    c.rect(BORDER_W, CAPTION_H, FRAME_W - 2 * BORDER_W, client_h / 2, WINDOW)
    return bmp24(c)


def draw_mask(scale):
    s = scale

    def inside(x, y):
        d = rrect_distance(x + 0.5, y + 0.5, 0, 0, FRAME_W * s, FRAME_H * s, CORNER_R * s)
        return d <= 0.0

    return bmp1(inside, FRAME_W * s, FRAME_H * s, s)


# ------------------------------------------------------------------------------ part sheets


class Part:
    """A drawable piece of a sheet: cells of w x h, one per state, side by side."""

    def __init__(self, name, w, h, states, draw, margins=None, keyed=False):
        self.name, self.w, self.h = name, w, h
        self.states = states
        self.draw = draw  # draw(canvas, palette, x, y, w, h, state)
        self.margins = margins
        self.keyed = keyed
        self.x = self.y = 0  # placed by Sheet


class Sheet:
    GAP = 2

    def __init__(self, name, parts):
        self.name = name
        self.parts = {part.name: part for part in parts}
        y = 0
        for part in parts:
            part.x, part.y = 0, y
            y += part.h + self.GAP
        self.w = max(part.w * len(part.states) for part in parts)
        self.h = y - self.GAP
        self.index = None  # position in the active-picture list

    def render(self, p, scale, background):
        c = Canvas(self.w, self.h, background, scale)
        for part in self.parts.values():
            for i, state in enumerate(part.states):
                x = part.x + i * part.w
                c.set_clip(x, part.y, part.w, part.h)
                part.draw(c, p, x, part.y, part.w, part.h, state)
        return bmp24(c)


def chevron(c, cx, cy, size, direction, colour, width=1.5):
    """An open arrow head of half-width size, pointing up, down, left or right."""
    half = size / 2.0
    points = {
        "down": [(cx - size, cy - half), (cx, cy + half), (cx + size, cy - half)],
        "up": [(cx - size, cy + half), (cx, cy - half), (cx + size, cy + half)],
        "left": [(cx + half, cy - size), (cx - half, cy), (cx + half, cy + size)],
        "right": [(cx - half, cy - size), (cx + half, cy), (cx - half, cy + size)],
    }[direction]
    c.line(points, width, colour)


# --- push button


def draw_button(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, WINDOW)
    border, top, bottom = {
        "normal": (BORDER, WHITE, rgb("F3F4F6")),
        "hover": (p.strong, mix(WHITE, p.tint, 0.5), p.tint),
        "pressed": (mix(p.strong, rgb("000000"), 0.15), p.tint_strong, p.tint),
        "disabled": (BORDER_DISABLED, FILL_DISABLED, FILL_DISABLED),
        "focused": (p.strong, WHITE, rgb("F3F4F6")),
    }[state]
    c.rrect(x, y, w, h, 4, border)
    if state == "focused":
        c.rrect(x + 1, y + 1, w - 2, h - 2, 3, p.tint_strong)
        c.rrect(x + 2, y + 2, w - 4, h - 4, 2, c.gradient(y + 2, y + h - 2, top, bottom))
    else:
        c.rrect(x + 1, y + 1, w - 2, h - 2, 3, c.gradient(y + 1, y + h - 1, top, bottom))
    c.key_outside(x, y, w, h, 4)


# --- caption buttons


def caption_button(glyph):
    def draw(c, p, x, y, w, h, state):
        active = state != "inactive"
        light, accent = (p.light, p.accent) if active else (p.inactive_light, p.inactive_accent)
        # the caption behind the button, at the height the button sits in it
        c.rect(x, y, w, h, c.gradient(y - CAPTION_BUTTON_TOP, y - CAPTION_BUTTON_TOP + CAPTION_H,
                                      light, accent))
        colour = p.caption_text if active else p.inactive_text
        if state in ("hover", "pressed"):
            if glyph == "close":
                c.rrect(x, y, w, h, 4, CLOSE_HOVER if state == "hover" else CLOSE_PRESSED)
                colour = WHITE
            else:
                overlay, alpha = p.hover_overlay() if state == "hover" else p.pressed_overlay()
                c.rrect(x, y, w, h, 4, overlay, alpha)
        draw_caption_glyph(c, glyph, x + w / 2.0, y + h / 2.0, colour)
    return draw


def draw_caption_glyph(c, glyph, cx, cy, colour):
    # glyph box 10 x 10 around the centre, strokes on half pixels so they stay crisp at 1x
    left, top = math.floor(cx) - 4.5, math.floor(cy) - 4.5
    right, bottom = left + 9, top + 9
    if glyph == "minimize":
        c.line([(left, cy + 0.5), (right, cy + 0.5)], 1, colour)
    elif glyph == "maximize":
        square(c, left, top, right, bottom, colour)
    elif glyph == "restore":
        square(c, left, top + 2, right - 2, bottom, colour)
        c.line([(left + 2, top + 2), (left + 2, top), (right, top), (right, bottom - 2),
                (right - 2, bottom - 2)], 1, colour)
    elif glyph == "close":
        c.line([(left, top), (right, bottom)], 1.3, colour)
        c.line([(right, top), (left, bottom)], 1.3, colour)
    elif glyph == "sysmenu":
        for dy in (1, 4, 7):
            c.line([(left, top + dy), (right, top + dy)], 1, colour)


def square(c, left, top, right, bottom, colour):
    c.line([(left, top), (right, top), (right, bottom), (left, bottom), (left, top)], 1, colour)


# --- edit frames, drop-down button, gauge, panel


def draw_edit_frame(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, WINDOW)
    border, fill = {
        "normal": (BORDER, WHITE),
        "hover": (BORDER_HOVER, WHITE),
        "focused": (p.strong, WHITE),
        "disabled": (BORDER_DISABLED, FILL_DISABLED),
    }[state]
    c.rrect(x, y, w, h, 3, border)
    if state == "focused":
        c.rrect(x + 1, y + 1, w - 2, h - 2, 2, p.tint_strong)
        c.rect(x + 2, y + 2, w - 4, h - 4, fill)
    else:
        c.rrect(x + 1, y + 1, w - 2, h - 2, 2, fill)
    c.key_outside(x, y, w, h, 3)


def draw_combo_button(c, p, x, y, w, h, state):
    background = FILL_DISABLED if state == "disabled" else WHITE
    c.rect(x, y, w, h, background)
    if state in ("hover", "pressed"):
        c.rrect(x + 2, y + 2, w - 4, h - 4, 3, p.tint if state == "hover" else p.tint_strong)
    colour = {"normal": GLYPH, "hover": GLYPH_HOVER, "pressed": p.strong,
              "disabled": GLYPH_DISABLED}[state]
    chevron(c, x + w / 2.0, y + h / 2.0, 4, "down", colour)


def draw_gauge_track(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, WINDOW)
    c.rrect(x, y, w, h, 4, rgb("C9CED6"))
    c.rrect(x + 1, y + 1, w - 2, h - 2, 3, rgb("E9ECEF"))
    c.key_outside(x, y, w, h, 4)


def draw_gauge_fill(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, WINDOW)
    c.rrect(x, y, w, h, 4, mix(p.strong, rgb("000000"), 0.12))
    c.rrect(x + 1, y + 1, w - 2, h - 2, 3, c.gradient(y + 1, y + h - 1, p.light, p.accent))
    c.key_outside(x, y, w, h, 4)


def draw_panel(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, WINDOW)
    c.rrect(x, y, w, h, 4, rgb("D8DCE2"))
    c.rrect(x + 1, y + 1, w - 2, h - 2, 3, rgb("FAFBFC"))
    c.key_outside(x, y, w, h, 4)


# --- scroll bars


def draw_track(vertical):
    def draw(c, p, x, y, w, h, state):
        c.rect(x, y, w, h, TRACK)
        if vertical:
            c.rect(x, y, 1, h, TRACK_LINE)
        else:
            c.rect(x, y, w, 1, TRACK_LINE)
    return draw


def draw_thumb(vertical):
    def draw(c, p, x, y, w, h, state):
        draw_track(vertical)(c, p, x, y, w, h, state)
        colour = {"normal": rgb("C1C7CF"), "hover": rgb("A3AAB4"), "pressed": p.strong}[state]
        if vertical:
            c.rrect(x + 4, y + 2, w - 7, h - 4, (w - 7) / 2.0, colour)
        else:
            c.rrect(x + 2, y + 4, w - 4, h - 7, (h - 7) / 2.0, colour)
    return draw


def draw_arrow(direction):
    vertical = direction in ("up", "down")

    def draw(c, p, x, y, w, h, state):
        draw_track(vertical)(c, p, x, y, w, h, state)
        if state in ("hover", "pressed"):
            c.rrect(x + 2, y + 1, w - 3, h - 2, 3, rgb("E1E4E8") if state == "hover" else rgb("CDD2D8"))
        colour = {"normal": GLYPH, "hover": GLYPH_HOVER, "pressed": p.strong,
                  "disabled": GLYPH_DISABLED}[state]
        chevron(c, x + w / 2.0 + 0.5, y + h / 2.0, 3, direction, colour)
    return draw


def draw_corner(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, TRACK)


# --- menus and hints


def draw_popup_frame(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, rgb("C5CAD1"))
    c.rect(x + 1, y + 1, w - 2, h - 2, WHITE)


def draw_item_highlight(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, WHITE)
    c.rrect(x, y, w, h, 3, p.tint)
    c.key_outside(x, y, w, h, 3)


def mark_background(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, p.tint if state == "highlighted" else WHITE)


def draw_radio_mark(c, p, x, y, w, h, state):
    mark_background(c, p, x, y, w, h, state)
    c.rrect(x + w / 2.0 - 3.5, y + h / 2.0 - 3.5, 7, 7, 3.5, p.strong)


def draw_check_mark(c, p, x, y, w, h, state):
    mark_background(c, p, x, y, w, h, state)
    c.line([(x + 4, y + 8.5), (x + 7, y + 11.5), (x + 12.5, y + 5)], 1.6, p.strong)


def draw_separator(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, WHITE)
    c.rect(x, y + h // 2, w, 1, rgb("E3E6EA"))


def draw_hint_frame(c, p, x, y, w, h, state):
    c.rect(x, y, w, h, rgb("B9BFC7"))
    c.rect(x + 1, y + 1, w - 2, h - 2, mix(WHITE, p.accent, 0.07))


# ----------------------------------------------------------------------------- the sheets

BUTTON_STATES = ["normal", "hover", "pressed", "disabled", "focused"]
CAPTION_STATES = ["normal", "hover", "pressed", "inactive"]
FRAME_STATES = ["normal", "hover", "focused", "disabled"]
PRESS_STATES = ["normal", "hover", "pressed", "disabled"]
THUMB_STATES = ["normal", "hover", "pressed"]
MARK_STATES = ["normal", "highlighted"]
SCROLL = 14
CAPTION_BUTTON = (28, 22)


def sheets():
    cw, ch = CAPTION_BUTTON
    return [
        Sheet("buttons", [
            Part("button", 64, 26, BUTTON_STATES, draw_button, (6, 6, 6, 6), keyed=True),
        ]),
        Sheet("captionbuttons", [
            Part(glyph, cw, ch, CAPTION_STATES, caption_button(glyph))
            for glyph in ("sysmenu", "minimize", "maximize", "restore", "close")
        ]),
        Sheet("controls", [
            Part("editframe", 24, 24, FRAME_STATES, draw_edit_frame, (4, 4, 4, 4), keyed=True),
            Part("combobutton", 20, 22, PRESS_STATES, draw_combo_button),
            Part("gaugetrack", 24, 16, ["normal"], draw_gauge_track, (5, 5, 5, 5), keyed=True),
            Part("gaugefill", 24, 16, ["normal"], draw_gauge_fill, (5, 5, 5, 5), keyed=True),
            Part("panel", 24, 24, ["normal"], draw_panel, (5, 5, 5, 5), keyed=True),
        ]),
        Sheet("scrollbar", [
            Part("vtrack", SCROLL, 24, ["normal"], draw_track(True), (1, 2, 0, 2)),
            Part("vthumb", SCROLL, 32, THUMB_STATES, draw_thumb(True), (0, 7, 0, 7)),
            Part("uparrow", SCROLL, SCROLL, PRESS_STATES, draw_arrow("up")),
            Part("downarrow", SCROLL, SCROLL, PRESS_STATES, draw_arrow("down")),
            Part("htrack", 24, SCROLL, ["normal"], draw_track(False), (2, 1, 2, 0)),
            Part("hthumb", 32, SCROLL, THUMB_STATES, draw_thumb(False), (7, 0, 7, 0)),
            Part("leftarrow", SCROLL, SCROLL, PRESS_STATES, draw_arrow("left")),
            Part("rightarrow", SCROLL, SCROLL, PRESS_STATES, draw_arrow("right")),
            Part("corner", SCROLL, SCROLL, ["normal"], draw_corner),
        ]),
        Sheet("menu", [
            Part("popupframe", 24, 24, ["normal"], draw_popup_frame, (3, 3, 3, 3)),
            Part("itemhighlight", 24, 22, ["normal"], draw_item_highlight, (4, 4, 4, 4), keyed=True),
            Part("radiomark", 16, 16, MARK_STATES, draw_radio_mark),
            Part("checkmark", 16, 16, MARK_STATES, draw_check_mark),
            Part("separator", 24, 7, ["normal"], draw_separator, (2, 0, 2, 0)),
            Part("hintframe", 24, 24, ["normal"], draw_hint_frame, (3, 3, 3, 3)),
        ]),
    ]


# ---------------------------------------------------------------------------- skin.ini text


def joined(values):
    return ",".join(str(v) for v in values)


def part_keys(sheet, part, prefix=""):
    lines = [
        "%spicture=%d" % (prefix, sheet.index),
        "%spicture2x=%d" % (prefix, sheet.index2x),
        "%srect=%s" % (prefix, joined((part.x, part.y, part.w, part.h))),
        "%sstates=%s" % (prefix, joined(part.states)),
        "%sstateoffset=%s" % (prefix, joined((part.w, 0))),
    ]
    if part.margins:
        lines.append("%smargins=%s" % (prefix, joined(part.margins)))
    if part.keyed:
        lines.append("%stransparentcolor=%s" % (prefix, hexof(KEY)))
    return lines


def font_keys(prefix="", height=12, bold=0, colour=TEXT, disabled=TEXT_DISABLED):
    return [
        "%sfontname=宋体" % prefix,
        "%sfontheight=%d" % (prefix, height),
        "%sfontbold=%d" % (prefix, bold),
        "%sfontcolor=%s" % (prefix, hexof(colour)),
        "%sdisabledfontcolor=%s" % (prefix, hexof(disabled)),
    ]


def list_keys(name, entries):
    return ["%scount=%d" % (name, len(entries))] + ["%d=%s" % (i, e) for i, e in enumerate(entries)]


CAPTION_BUTTONS = [
    # object, sheet part, edge, offset of the button's outer side from that frame edge, hint
    ("sysmenubutton", "sysmenu", "left", 5, "MENUBUTTON_HINT"),
    ("closebutton", "close", "right", 6, "CLOSEBUTTON_HINT"),
    ("maxbutton", "maximize", "right", 36, "MAXBUTTON_HINT"),
    ("restorebutton", "restore", "right", 36, "MAXBUTTON_HINT"),
    ("minbutton", "minimize", "right", 66, "MINBUTTON_HINT"),
]

EDIT_CONTROLS = ["edit", "tooledit", "buttonedit"]
SCROLL_CONTROLS = [("vscrollbar", True, False), ("hscrollbar", False, False),
                   ("bothhscrollbar", False, True)]


def definition(number, p, sheet_list, picture_names):
    by = {sheet.name: sheet for sheet in sheet_list}
    sections = []

    def section(name, lines):
        sections.append(["[%s]" % name] + lines)

    section("VERSION", [
        "skinname=Quillo %s" % p.name,
        "skinauthor=Quillo",
        "authoremail=",
        "authorurl=",
        "skincomments=简洁扁平风格（%s）" % p.colour,
    ])
    section("PICTURES", [
        "picture=main.bmp",
        "inactivepicture=inactive.bmp",
        "mask=mask.bmp",
    ] + list_keys("activepictures", picture_names))
    section("FORMINFO", [
        "picture2x=%d" % picture_names.index("main_2x.bmp"),
        "inactivepicture2x=%d" % picture_names.index("inactive_2x.bmp"),
        "mask2x=%d" % picture_names.index("mask_2x.bmp"),
        "margins=%s" % joined(FRAME_MARGINS),
        "clientinsets=%s" % joined((BORDER_W, CAPTION_H, BORDER_W, BORDER_W)),
        "captionheight=%d" % CAPTION_H,
        "captiontextleft=38",
        "buttonstop=%d" % CAPTION_BUTTON_TOP,
        "resizeborder=5",
        "clientcolor=%s" % hexof(WINDOW),
    ] + font_keys("caption", 12, 1, p.caption_text, p.inactive_text))
    section("POPUPWINDOW", part_keys(by["menu"], by["menu"].parts["popupframe"], "frame")
            + part_keys(by["menu"], by["menu"].parts["itemhighlight"], "highlight")
            + part_keys(by["menu"], by["menu"].parts["radiomark"], "radio")
            + part_keys(by["menu"], by["menu"].parts["checkmark"], "check")
            + part_keys(by["menu"], by["menu"].parts["separator"], "separator")
            + ["itemheight=24", "color=%s" % hexof(WHITE)]
            + font_keys("", 12, 0, TEXT, TEXT_DISABLED))
    section("HINTWINDOW", part_keys(by["menu"], by["menu"].parts["hintframe"], "frame")
            + ["padding=6,4,6,4"] + font_keys("", 12, 0, TEXT, TEXT_DISABLED))

    objects = [("%s:captionbutton" % obj) for obj, *_ in CAPTION_BUTTONS]
    section("SKINOBJECTS", list_keys("skinobjects", objects))
    controls = (["button:button", "gauge:gauge"] + ["%s:edit" % e for e in EDIT_CONTROLS]
                + ["memo:memo", "combobox:combobox", "panel:panel", "stdlabel:label"]
                + ["%s:scrollbar" % name for name, *_ in SCROLL_CONTROLS])
    section("SKINCONTROLS", list_keys("skincontrols", controls))

    captions = by["captionbuttons"]
    for obj, part, edge, offset, hint in CAPTION_BUTTONS:
        section(obj, part_keys(captions, captions.parts[part])
                + ["align=%s" % edge, "offset=%d" % offset, "top=%d" % CAPTION_BUTTON_TOP,
                   "hint=%s" % hint])

    controls_sheet, scroll, menu = by["controls"], by["scrollbar"], by["menu"]
    section("button", part_keys(by["buttons"], by["buttons"].parts["button"])
            + ["padding=8,3,8,3"] + font_keys())
    section("gauge", part_keys(controls_sheet, controls_sheet.parts["gaugetrack"], "track")
            + part_keys(controls_sheet, controls_sheet.parts["gaugefill"], "fill")
            + ["fillinset=0"] + font_keys("", 12, 0, TEXT, TEXT_DISABLED))
    edit_keys = (part_keys(controls_sheet, controls_sheet.parts["editframe"], "frame")
                 + ["padding=4,3,4,3", "color=%s" % hexof(WHITE),
                    "disabledcolor=%s" % hexof(FILL_DISABLED),
                    "selectioncolor=%s" % hexof(p.strong),
                    "selectionfontcolor=%s" % hexof(p.caption_text)]
                 + font_keys())
    for name in EDIT_CONTROLS:
        section(name, edit_keys)
    section("memo", edit_keys + ["vscrollbar=vscrollbar", "hscrollbar=bothhscrollbar"])
    section("combobox", part_keys(controls_sheet, controls_sheet.parts["editframe"], "frame")
            + part_keys(controls_sheet, controls_sheet.parts["combobutton"], "button")
            + part_keys(menu, menu.parts["popupframe"], "list")
            + part_keys(menu, menu.parts["itemhighlight"], "listhighlight")
            + ["padding=6,2,4,2", "listitemheight=22", "color=%s" % hexof(WHITE),
               "disabledcolor=%s" % hexof(FILL_DISABLED)]
            + font_keys())
    section("panel", part_keys(controls_sheet, controls_sheet.parts["panel"])
            + ["color=%s" % hexof(PANEL)] + font_keys())
    section("stdlabel", font_keys())
    for name, vertical, corner in SCROLL_CONTROLS:
        if vertical:
            names = [("track", "vtrack"), ("thumb", "vthumb"), ("prior", "uparrow"),
                     ("next", "downarrow")]
        else:
            names = [("track", "htrack"), ("thumb", "hthumb"), ("prior", "leftarrow"),
                     ("next", "rightarrow")]
        if corner:
            names.append(("corner", "corner"))
        lines = ["size=%d" % SCROLL, "minthumb=20"]
        for prefix, part in names:
            lines += part_keys(scroll, scroll.parts[part], prefix)
        section(name, lines)

    text = "\r\n\r\n".join("\r\n".join(lines) for lines in sections) + "\r\n"
    return text.encode("gbk")


# ---------------------------------------------------------------------------------- output


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def generate(number, p):
    folder = os.path.join(HERE, str(number))
    os.makedirs(folder, exist_ok=True)
    sheet_list = sheets()
    names = ["%s.bmp" % sheet.name for sheet in sheet_list]
    names += ["main_2x.bmp", "inactive_2x.bmp", "mask_2x.bmp"]
    names += ["%s_2x.bmp" % sheet.name for sheet in sheet_list]
    for sheet in sheet_list:
        sheet.index = names.index("%s.bmp" % sheet.name)
        sheet.index2x = names.index("%s_2x.bmp" % sheet.name)

    for scale, suffix in ((1, ""), (2, "_2x")):
        write(os.path.join(folder, "main%s.bmp" % suffix), draw_frame(p, scale, True))
        write(os.path.join(folder, "inactive%s.bmp" % suffix), draw_frame(p, scale, False))
        write(os.path.join(folder, "mask%s.bmp" % suffix), draw_mask(scale))
        for sheet in sheet_list:
            write(os.path.join(folder, "%s%s.bmp" % (sheet.name, suffix)),
                  sheet.render(p, scale, WINDOW))
    write(os.path.join(folder, "skin.ini"), definition(number, p, sheet_list, names))


def main():
    for number, palette in sorted(PALETTES.items()):
        generate(number, palette)


if __name__ == "__main__":
    main()
