#!/usr/bin/env python3
"""Draws the About box's logo, the word PAKRILL in bevelled, textured green capitals
with a dark drop shadow on the dialog's light grey, and writes res/about.bmp:
224x76, 24 bits, uncompressed, bottom-up, no colour table.
Standard library only; the output is the same on every run.
  make-about-picture.py [OUT]          writes the picture (res/about.bmp by default)
  make-about-picture.py --check FILE   exits 1 when FILE is not what it draws"""
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT = 224, 76
SUPERSAMPLE = 4
BACKGROUND = (214, 211, 206)
SHADOW = (38, 40, 36)
OUTLINE = (14, 62, 20)
GREEN_TOP, GREEN_BOTTOM = (150, 222, 96), (28, 116, 40)

TOP, BOTTOM = 13.0, 58.0
STROKE = 9.0


def inside_convex(points, x, y):
    """Inside a convex polygon, given in either direction: on one side of every edge."""
    sides = [(bx - ax) * (y - ay) - (by - ay) * (x - ax)
             for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1])]
    return all(s >= 0 for s in sides) or all(s <= 0 for s in sides)


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    box = (min(xs), min(ys), max(xs), max(ys))
    return lambda x, y: box[0] <= x <= box[2] and box[1] <= y <= box[3] and inside_convex(points, x, y)


def d_shape(x0, y0, x1, y1):
    """A rectangle whose right end is a half ellipse: the outline of a letter's bowl."""
    ry = (y1 - y0) / 2
    rx = min(ry * 1.05, x1 - x0)
    xc, yc = x1 - rx, (y0 + y1) / 2
    return lambda x, y: y0 <= y < y1 and x >= x0 and (x <= xc or ((x - xc) / rx) ** 2 + ((y - yc) / ry) ** 2 <= 1)


def bowl(x0, width, height):
    outer = d_shape(x0, TOP, x0 + width, TOP + height)
    inner = d_shape(x0, TOP + STROKE * 0.85, x0 + width - STROKE, TOP + height - STROKE * 0.85)
    return lambda x, y: outer(x, y) and not inner(x, y)


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def letter_p(x0):
    return union(rect(x0, TOP, x0 + STROKE, BOTTOM), bowl(x0, 28, 27))


def letter_a(x0):
    apex_l, apex_r = x0 + 12.0, x0 + 21.0
    hull = polygon([(x0, BOTTOM), (apex_l, TOP), (apex_r, TOP), (x0 + 33, BOTTOM)])
    bar = rect(x0, BOTTOM - 17, x0 + 33, BOTTOM - 9.5)
    return union(polygon([(x0, BOTTOM), (apex_l, TOP), (apex_r, TOP), (x0 + 9.5, BOTTOM)]),
                 polygon([(x0 + 33, BOTTOM), (apex_r, TOP), (apex_l, TOP), (x0 + 23.5, BOTTOM)]),
                 lambda x, y: bar(x, y) and hull(x, y))


def letter_k(x0):
    return union(rect(x0, TOP, x0 + STROKE, BOTTOM),
                 polygon([(x0 + STROKE - 1, TOP + 20), (x0 + 17.5, TOP), (x0 + 28.5, TOP), (x0 + STROKE - 1, TOP + 32)]),
                 polygon([(x0 + 12, TOP + 25), (x0 + 18.5, TOP + 18), (x0 + 29, BOTTOM), (x0 + 18.5, BOTTOM)]))


def letter_r(x0):
    return union(letter_p(x0), polygon([(x0 + 10, TOP + 24), (x0 + 19, TOP + 24), (x0 + 30, BOTTOM), (x0 + 20, BOTTOM)]))


def letter_i(x0):
    return rect(x0, TOP, x0 + STROKE, BOTTOM)


def letter_l(x0):
    return union(rect(x0, TOP, x0 + STROKE, BOTTOM), rect(x0, BOTTOM - STROKE, x0 + 25, BOTTOM))


# The word, letter by letter: (drawing, advance).
LETTERS = [(letter_p, 28), (letter_a, 33), (letter_k, 29), (letter_r, 30), (letter_i, 9), (letter_l, 25),
           (letter_l, 25)]
GAP = 5


def word_shape():
    total = sum(advance for _, advance in LETTERS) + GAP * (len(LETTERS) - 1)
    x = (WIDTH - total) / 2 - 1.5  # the shadow takes room on the right
    shapes = []
    for draw, advance in LETTERS:
        shapes.append((x, x + advance + 1, draw(x)))
        x += advance + GAP
    return shapes


def coverage():
    shapes = word_shape()
    cover = [[0.0] * WIDTH for _ in range(HEIGHT)]
    step = 1.0 / SUPERSAMPLE
    for py in range(HEIGHT):
        if py + 1 < TOP or py > BOTTOM:
            continue
        for px in range(WIDTH):
            near = [s for x0, x1, s in shapes if x0 - 1 <= px <= x1 + 1]
            if not near:
                continue
            hits = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x, y = px + (sx + 0.5) * step, py + (sy + 0.5) * step
                    if any(s(x, y) for s in near):
                        hits += 1
            cover[py][px] = hits / (SUPERSAMPLE * SUPERSAMPLE)
    return cover


def at(grid, x, y):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        return grid[y][x]
    return 0.0


def box_blur(grid, radius):
    n = (2 * radius + 1) ** 2
    return [[sum(at(grid, x + dx, y + dy) for dy in range(-radius, radius + 1) for dx in range(-radius, radius + 1)) / n
             for x in range(WIDTH)] for y in range(HEIGHT)]


def mix(a, b, t):
    return tuple(p + (q - p) * t for p, q in zip(a, b))


def grain(x, y):
    """A fixed fine texture: a diagonal weave and a hashed speckle, about 1.0 on average."""
    weave = 0.06 if (x + 2 * y) % 5 < 2 else 0.0
    h = (x * 73856093 ^ y * 19349663) & 0xFFFF
    speckle = ((h * 2654435761) >> 8 & 0xFF) / 255.0
    return 1.0 - weave + (speckle - 0.5) * 0.10


def render():
    cover = coverage()
    height = box_blur(box_blur(cover, 1), 1)
    shadow = box_blur(box_blur([[at(cover, x - 3, y - 3) for x in range(WIDTH)] for y in range(HEIGHT)], 1), 1)
    pixels = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            colour = mix(BACKGROUND, SHADOW, 0.62 * shadow[y][x])
            grown = max(at(cover, x + dx, y + dy) for dy in (-1, 0, 1) for dx in (-1, 0, 1))
            colour = mix(colour, OUTLINE, grown)
            a = cover[y][x]
            if a > 0:
                # Light from the top left: edges that face it are lit, the others shaded.
                slope = (at(height, x + 1, y) - at(height, x - 1, y)) + (at(height, x, y + 1) - at(height, x, y - 1))
                t = max(0.0, min(1.0, (y - TOP) / (BOTTOM - TOP)))
                face = mix(GREEN_TOP, GREEN_BOTTOM, t)
                light = 1.0 - 0.55 * slope
                face = tuple(max(0.0, min(255.0, c * light * grain(x, y))) for c in face)
                colour = mix(colour, face, min(1.0, a * 1.15))
            row.append(tuple(int(round(c)) for c in colour))
        pixels.append(row)
    return pixels


def bmp_bytes(pixels):
    stride = WIDTH * 3
    assert stride % 4 == 0
    image = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b in row:
            image += bytes((b, g, r))
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 0, 0, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(image), 0, 0, 14 + len(info))
    return header + info + bytes(image)


def main():
    args = sys.argv[1:]
    if args[:1] == ['--check']:
        # Whether a file holds exactly what this script draws.
        same = Path(args[1]).read_bytes() == bmp_bytes(render())
        print(f'{args[1]}: {"the same" if same else "differs from what the script draws"}')
        sys.exit(0 if same else 1)
    out = Path(args[0]) if args else Path(__file__).resolve().parent.parent / 'res' / 'about.bmp'
    out.write_bytes(bmp_bytes(render()))
    print(out)


if __name__ == '__main__':
    main()
