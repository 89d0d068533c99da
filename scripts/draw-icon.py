#!/usr/bin/env python3
"""Draws the program's own icon, a white globe on a navy rounded square, as
resources/webbrowser.svg and as a 256 x 256 PNG (resources/webbrowser.png, the one the program
embeds). Both come from the same shapes below. Plain Python: no drawing library is needed, the
PNG is antialiased by sampling each pixel 4 x 4 times. The results are committed; run this only
to change them: scripts/draw-icon.py [FOLDER]"""
import math
import os
import struct
import sys
import zlib

SIZE = 256
NAVY = (0x1B, 0x2A, 0x4A)
WHITE = (0xFF, 0xFF, 0xFF)
RED = (0xC8, 0x10, 0x2E)
CORNER = 48          # radius of the square's corners
CX = CY = 128        # the globe's centre
R = 80               # the globe's radius
RIM = 12             # stroke of its rim, its equator and its meridian
LATITUDE = 8         # stroke of the two latitude lines
MERIDIAN_RX = 34     # half the width of the meridian ellipse
LAT_Y = 40           # distance of the latitude lines from the equator
DOT = 14             # radius of the red dot on the rim, upper right


def in_rounded_square(x, y):
    dx = max(CORNER - x, 0, x - (SIZE - CORNER))
    dy = max(CORNER - y, 0, y - (SIZE - CORNER))
    return 0 <= x <= SIZE and 0 <= y <= SIZE and dx * dx + dy * dy <= CORNER * CORNER


def on_globe(x, y):
    dx, dy = x - CX, y - CY
    d = math.hypot(dx, dy)
    if abs(d - R) <= RIM / 2:
        return True
    if d > R:
        return False
    if abs(dy) <= RIM / 2:
        return True
    # The meridian ellipse: distance to it from the value of its equation and its gradient.
    f = (dx / MERIDIAN_RX) ** 2 + (dy / R) ** 2 - 1
    g = math.hypot(2 * dx / MERIDIAN_RX ** 2, 2 * dy / R ** 2)
    if g > 0 and abs(f) / g <= RIM / 2:
        return True
    return abs(abs(dy) - LAT_Y) <= LATITUDE / 2


DOT_X = CX + R * math.cos(math.radians(45))
DOT_Y = CY - R * math.sin(math.radians(45))


def colour(x, y):
    """The colour and opacity of one sample point."""
    if math.hypot(x - DOT_X, y - DOT_Y) <= DOT:
        return RED, 255
    if not in_rounded_square(x, y):
        return (0, 0, 0), 0
    return (WHITE if on_globe(x, y) else NAVY), 255


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def draw_png():
    n = 4
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            r = g = b = a = 0
            for sy in range(n):
                for sx in range(n):
                    (cr, cg, cb), ca = colour(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a:
                row += [round(r / a), round(g / a), round(b / a), round(a / (n * n))]
            else:
                row += [0, 0, 0, 0]
        rows.append(row)
    return png(SIZE, SIZE, rows)


def svg():
    hexa = lambda c: "#%02X%02X%02X" % c
    lat = math.sqrt(R * R - LAT_Y * LAT_Y)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" viewBox="0 0 {SIZE} {SIZE}">
  <rect width="{SIZE}" height="{SIZE}" rx="{CORNER}" fill="{hexa(NAVY)}"/>
  <g fill="none" stroke="{hexa(WHITE)}" stroke-width="{RIM}">
    <circle cx="{CX}" cy="{CY}" r="{R}"/>
    <ellipse cx="{CX}" cy="{CY}" rx="{MERIDIAN_RX}" ry="{R}"/>
    <line x1="{CX - R}" y1="{CY}" x2="{CX + R}" y2="{CY}"/>
  </g>
  <g fill="none" stroke="{hexa(WHITE)}" stroke-width="{LATITUDE}">
    <line x1="{CX - lat:.1f}" y1="{CY - LAT_Y}" x2="{CX + lat:.1f}" y2="{CY - LAT_Y}"/>
    <line x1="{CX - lat:.1f}" y1="{CY + LAT_Y}" x2="{CX + lat:.1f}" y2="{CY + LAT_Y}"/>
  </g>
  <circle cx="{DOT_X:.1f}" cy="{DOT_Y:.1f}" r="{DOT}" fill="{hexa(RED)}"/>
</svg>
"""


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    with open(os.path.join(out, "webbrowser.svg"), "w", encoding="utf-8") as f:
        f.write(svg())
    with open(os.path.join(out, "webbrowser.png"), "wb") as f:
        f.write(draw_png())


main()
