#!/usr/bin/env python3
"""Draws the program's icon as a 32x32 24-bit BMP: a rounded blue square holding a white
picture frame with a hill and a sun, and an arrow down out of it. Magenta is the colour
that `icoforge icon --transparent FF00FF` makes transparent.

    python3 app/win32/draw_app_icon.py icon.bmp
    icoforge icon --transparent FF00FF icon.bmp app/win32/icoforge.ico
"""
import math
import struct
import sys

SIZE = 32
SAMPLES = 4  # per axis, for smooth edges inside the square
KEY = (0xFF, 0x00, 0xFF)
BLUE = (0x25, 0x63, 0xEB)
WHITE = (0xFF, 0xFF, 0xFF)


def rounded_box(x, y, left, top, right, bottom, radius):
    cx, cy = (left + right) / 2, (top + bottom) / 2
    qx = abs(x - cx) - ((right - left) / 2 - radius)
    qy = abs(y - cy) - ((bottom - top) / 2 - radius)
    return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - radius <= 0


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def white_at(x, y):
    frame = rounded_box(x, y, 7, 5, 25, 19, 1.5) and not rounded_box(x, y, 9, 7, 23, 17, 0.5)
    hill = in_triangle(x, y, (10, 17), (15, 11), (20, 17)) or in_triangle(x, y, (16, 17), (19, 13.5), (22.5, 17))
    sun = math.hypot(x - 19.5, y - 9.8) <= 1.6
    shaft = 15 <= x <= 17 and 20 <= y <= 24.5
    head = in_triangle(x, y, (11.5, 23), (20.5, 23), (16, 27.5))
    return frame or hill or sun or shaft or head


def pixel(px, py):
    # Outside the square's outline the pixel is the key colour: the mask is all or nothing.
    if not rounded_box(px + 0.5, py + 0.5, 1, 1, 31, 31, 6):
        return KEY
    covered = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            if white_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                covered += 1
    a = covered / (SAMPLES * SAMPLES)
    return tuple(round(b + (w - b) * a) for b, w in zip(BLUE, WHITE))


def main(path):
    rows = []
    for py in reversed(range(SIZE)):  # bottom-up
        row = b"".join(bytes((b, g, r)) for r, g, b in (pixel(px, py) for px in range(SIZE)))
        rows.append(row)
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


if __name__ == "__main__":
    main(sys.argv[1])
