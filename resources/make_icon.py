#!/usr/bin/env python3
"""Draws Velkmar's icon, a loudspeaker with sound waves on a rounded tile,
and writes it as velkmar.ico: one 48 x 48 image in 24-bit colour with its
transparency mask. Run it again after changing the picture:

    python3 resources/make_icon.py resources/velkmar.ico
"""
import math
import struct
import sys

SIZE = 48
SUPERSAMPLE = 4

TILE = (38, 92, 140)       # deep blue
TILE_EDGE = (20, 52, 86)
SPEAKER = (245, 245, 240)
WAVES = (255, 196, 64)     # amber


def inside_tile(x, y):
    """Rounded square of 44 pixels with corners of radius 9, centred."""
    lo, hi, r = 2.0, 46.0, 9.0
    if x < lo or x > hi or y < lo or y > hi:
        return False
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def tile_border(x, y):
    """The tile's outer 1.5 pixels, drawn darker."""
    return inside_tile(x, y) and not all(
        inside_tile(x + dx, y + dy) for dx, dy in ((1.5, 0), (-1.5, 0), (0, 1.5), (0, -1.5)))


def in_speaker(x, y):
    """A box and a cone opening to the right."""
    if 9 <= x <= 16 and 19 <= y <= 29:
        return True
    if 16 <= x <= 25:
        half = 5 + (x - 16) * (8.0 / 9.0)
        return abs(y - 24) <= half
    return False


def in_waves(x, y):
    """Three arcs around the cone's mouth."""
    dx, dy = x - 22.0, y - 24.0
    distance = math.hypot(dx, dy)
    if dx <= 0 or abs(math.atan2(dy, dx)) > math.radians(50):
        return False
    return any(abs(distance - radius) <= 1.6 for radius in (9.0, 15.0, 21.0))


def colour_at(x, y):
    if in_speaker(x, y):
        return SPEAKER
    if in_waves(x, y) and inside_tile(x, y):
        return WAVES
    if tile_border(x, y):
        return TILE_EDGE
    return TILE


def render():
    """Rows top to bottom of (r, g, b) and a transparency flag per pixel."""
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            total = [0, 0, 0]
            covered = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = px + (sx + 0.5) / SUPERSAMPLE
                    y = py + (sy + 0.5) / SUPERSAMPLE
                    if not inside_tile(x, y):
                        continue
                    covered += 1
                    for i, c in enumerate(colour_at(x, y)):
                        total[i] += c
            if covered * 2 < SUPERSAMPLE * SUPERSAMPLE:
                row.append(((0, 0, 0), True))
            else:
                row.append((tuple(t // covered for t in total), False))
        rows.append(row)
    return rows


def ico_bytes(rows):
    colour_row = SIZE * 3                    # 144 bytes, already a multiple of 4
    mask_row = ((SIZE + 31) // 32) * 4       # 1 bit per pixel, rows padded to 32 bits
    image = bytearray()
    image += struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 24, 0,
                         (colour_row + mask_row) * SIZE, 0, 0, 0, 0)
    for row in reversed(rows):               # DIBs are stored bottom-up
        for (r, g, b), _ in row:
            image += bytes((b, g, r))
    for row in reversed(rows):
        bits = bytearray(mask_row)
        for px, (_, transparent) in enumerate(row):
            if transparent:
                bits[px // 8] |= 0x80 >> (px % 8)
        image += bits
    header = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return header + entry + bytes(image)


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else 'velkmar.ico'
    with open(target, 'wb') as out:
        out.write(ico_bytes(render()))


if __name__ == '__main__':
    main()
