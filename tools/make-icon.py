#!/usr/bin/env python3
"""Draws the program icon, a closed cardboard box with a band of tape, and writes
res/pakrill.ico: 48x48 and 32x32, each in 256 colours and in 32-bit colour.
Standard library only; the output is the same on every run."""
import struct
import sys
from pathlib import Path

SIZES = (48, 32)
SUPERSAMPLE = 4

# Corners of the box in a unit square, seen from above at an angle.
TOP, RIGHT, NEAR, LEFT = (0.50, 0.07), (0.93, 0.29), (0.50, 0.51), (0.07, 0.29)
DROP = 0.42
RIGHT_LOW, NEAR_LOW, LEFT_LOW = (RIGHT[0], RIGHT[1] + DROP), (NEAR[0], NEAR[1] + DROP), (LEFT[0], LEFT[1] + DROP)

OUTLINE = (92, 54, 20)
TAPE = (70, 120, 200)


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def face_point(origin, edge_u, edge_v, u, v):
    return (origin[0] + (edge_u[0] - origin[0]) * u + (edge_v[0] - origin[0]) * v,
            origin[1] + (edge_u[1] - origin[1]) * u + (edge_v[1] - origin[1]) * v)


def band(origin, edge_u, edge_v, u0, u1):
    """The part of a face between u0 and u1 along its first edge."""
    return [face_point(origin, edge_u, edge_v, u0, 0), face_point(origin, edge_u, edge_v, u1, 0),
            face_point(origin, edge_u, edge_v, u1, 1), face_point(origin, edge_u, edge_v, u0, 1)]


def inside(poly, x, y):
    result = False
    j = len(poly) - 1
    for i in range(len(poly)):
        (xi, yi), (xj, yj) = poly[i], poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def near_segment(a, b, x, y, half_width):
    dx, dy = b[0] - a[0], b[1] - a[1]
    t = max(0.0, min(1.0, ((x - a[0]) * dx + (y - a[1]) * dy) / (dx * dx + dy * dy)))
    px, py = a[0] + dx * t - x, a[1] + dy * t - y
    return px * px + py * py <= half_width * half_width


# Filled shapes, back to front: (polygon, colour at its top, colour at its bottom).
FACES = [
    ([TOP, RIGHT, NEAR, LEFT], (246, 206, 140), (236, 188, 116)),      # lid
    ([LEFT, NEAR, NEAR_LOW, LEFT_LOW], (222, 160, 84), (196, 134, 62)),  # left side, lit
    ([NEAR, RIGHT, RIGHT_LOW, NEAR_LOW], (176, 114, 48), (150, 92, 36)),  # right side, in shade
    # The tape runs across the lid from the far edge to the near one and down the left side.
    (band(LEFT, NEAR, TOP, 0.40, 0.60), lerp(TAPE, (255, 255, 255), 0.25), TAPE),
    (band(LEFT, NEAR, LEFT_LOW, 0.40, 0.60), TAPE, lerp(TAPE, (0, 0, 0), 0.2)),
]
EDGES = [(TOP, RIGHT), (RIGHT, RIGHT_LOW), (RIGHT_LOW, NEAR_LOW), (NEAR_LOW, LEFT_LOW), (LEFT_LOW, LEFT),
         (LEFT, TOP), (LEFT, NEAR), (NEAR, RIGHT), (NEAR, NEAR_LOW)]


def sample(x, y, size):
    """Colour and coverage (0 or 1) of one point of the unit square."""
    half_width = 0.9 / size
    for a, b in EDGES:
        if near_segment(a, b, x, y, half_width):
            return OUTLINE, 1
    colour = None
    for poly, upper, lower in FACES:
        if inside(poly, x, y):
            ys = [p[1] for p in poly]
            colour = lerp(upper, lower, (y - min(ys)) / (max(ys) - min(ys)))
    return (colour, 1) if colour else ((0, 0, 0), 0)


def render(size):
    """Rows top to bottom of (r, g, b, a), antialiased by supersampling."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(n):
                for sx in range(n):
                    colour, cover = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size, size)
                    r += colour[0] * cover
                    g += colour[1] * cover
                    b += colour[2] * cover
                    a += cover
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def median_cut(colours, count):
    """Up to `count` palette colours for a list of (r, g, b), by splitting the widest box."""
    boxes = [sorted(set(colours))]
    while len(boxes) < count:
        def spread(box):
            return max(max(c[i] for c in box) - min(c[i] for c in box) for i in range(3))
        splittable = [box for box in boxes if len(box) > 1]
        if not splittable:
            break
        box = max(splittable, key=spread)
        boxes.remove(box)
        axis = max(range(3), key=lambda i: max(c[i] for c in box) - min(c[i] for c in box))
        box.sort(key=lambda c: c[axis])
        middle = len(box) // 2
        boxes += [box[:middle], box[middle:]]
    return [tuple(round(sum(c[i] for c in box) / len(box)) for i in range(3)) for box in boxes]


def and_mask(rows, size):
    """1 where the pixel is transparent; rows bottom-up, each padded to 4 bytes."""
    stride = (size + 31) // 32 * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    return bytes(data)


def dib_header(size, bits, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, 0, 0)


def image_32(rows, size):
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = and_mask(rows, size)
    return dib_header(size, 32, len(pixels) + len(mask)) + pixels + mask


def image_8(rows, size):
    # The 256-colour image has no alpha: a pixel is either drawn whole or not at all.
    opaque = [p[:3] for row in rows for p in row if p[3] >= 128]
    palette = [(0, 0, 0)] + median_cut(opaque, 255)
    palette += [(0, 0, 0)] * (256 - len(palette))

    def nearest(colour):
        return min(range(1, 256), key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))

    cache = {}
    stride = (size + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] >= 128:
                if p[:3] not in cache:
                    cache[p[:3]] = nearest(p[:3])
                line[x] = cache[p[:3]]
        pixels += line
    mask = and_mask(rows, size)
    colour_table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return dib_header(size, 8, len(pixels) + len(mask)) + colour_table + bytes(pixels) + mask


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "res" / "pakrill.ico"
    renders = {size: render(size) for size in SIZES}
    images = [(size, 8, image_8(renders[size], size)) for size in SIZES]
    images += [(size, 32, image_32(renders[size], size)) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, bits, data in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    out.write_bytes(directory + entries + b"".join(data for _, _, data in images))
    print(out)


if __name__ == "__main__":
    main()
