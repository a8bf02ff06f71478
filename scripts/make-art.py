#!/usr/bin/env python3
"""Draws the program's icon (src/app/Vantrel.ico) and About-box logo (src/app/Logo.bmp).

Plain Python, no imaging library: each picture is a few shapes, rendered with 4x4 supersampling.
The picture: a teal rounded square (the desktop), a yellow folder at the lower right and a white
arrow sweeping an item from the upper left into it.
Run from anywhere: python3 scripts/make-art.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "src", "app")


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        n, c = len(points), False
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                c = not c
        return c
    return inside


# Shapes in a unit square (0..1), painted in order: (test, (r, g, b)).
def layers():
    return [
        (rounded_rect(0.02, 0.02, 0.98, 0.98, 0.18), (0, 128, 128)),
        (rounded_rect(0.06, 0.06, 0.94, 0.94, 0.15), (22, 150, 150)),
        # the item on the desktop: a white sheet with a folded corner
        (polygon([(0.16, 0.14), (0.36, 0.14), (0.44, 0.22), (0.44, 0.46), (0.16, 0.46)]), (250, 250, 250)),
        (polygon([(0.36, 0.14), (0.44, 0.22), (0.36, 0.22)]), (190, 215, 215)),
        # the folder: tab, then body
        (rounded_rect(0.44, 0.50, 0.66, 0.62, 0.03), (230, 170, 30)),
        (rounded_rect(0.44, 0.56, 0.88, 0.86, 0.04), (250, 200, 50)),
        (rounded_rect(0.44, 0.64, 0.88, 0.86, 0.04), (255, 215, 80)),
        # the arrow from the sheet into the folder
        (polygon([(0.28, 0.52), (0.34, 0.52), (0.34, 0.66), (0.30, 0.66)]), (255, 255, 255)),
        (polygon([(0.30, 0.60), (0.34, 0.60), (0.34, 0.66), (0.30, 0.66)]), (255, 255, 255)),
        (polygon([(0.30, 0.62), (0.36, 0.62), (0.36, 0.68), (0.30, 0.68)]), (255, 255, 255)),
        (polygon([(0.30, 0.62), (0.40, 0.62), (0.40, 0.68), (0.30, 0.68)]), (255, 255, 255)),
        (polygon([(0.38, 0.56), (0.48, 0.65), (0.38, 0.74)]), (255, 255, 255)),
    ]


def render(size, background=None):
    """Rows top to bottom of (r, g, b, a); background fills what no shape covers."""
    shapes = layers()
    ss = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(ss):
                for sx in range(ss):
                    x = (px + (sx + 0.5) / ss) / size
                    y = (py + (sy + 0.5) / ss) / size
                    color = None
                    for test, c in shapes:
                        if test(x, y):
                            color = c
                    if color is not None:
                        acc[0] += color[0]; acc[1] += color[1]; acc[2] += color[2]; acc[3] += 1
                    elif background is not None:
                        acc[0] += background[0]; acc[1] += background[1]; acc[2] += background[2]; acc[3] += 1
            n = ss * ss
            a = acc[3] / n
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon entry: a 32-bit BITMAPINFOHEADER image with its AND mask, bottom-up."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def write_bmp(path, size, background):
    rows = render(size, background)
    stride = (size * 3 + 3) & ~3
    data = b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for (r, g, b, _) in row)
        data += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    write_ico(os.path.join(OUT, "Vantrel.ico"), [16, 20, 24, 32, 48, 64])
    # The logo stands on the About box's teal; drawn at twice its 86-pixel size for high DPI.
    write_bmp(os.path.join(OUT, "Logo.bmp"), 172, (0, 128, 128))
