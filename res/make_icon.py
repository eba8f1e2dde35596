#!/usr/bin/env python3
"""Draws the kit's icon: an orchid bloom on a round veil, 48x48, 32-bit.

Writes res/orchidveil.ico (one image, BGRA with alpha). Run again after a
change of design: python3 res/make_icon.py
"""
import math
import os
import struct

SIZE = 48
SAMPLES = 4  # 4x4 supersampling for smooth edges


def inside_ellipse(x, y, cx, cy, rx, ry, angle):
    c, s = math.cos(angle), math.sin(angle)
    dx, dy = x - cx, y - cy
    u = dx * c + dy * s
    v = -dx * s + dy * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0


def colour_at(x, y):
    """Colour (r, g, b, a) of one sample point, painted back to front."""
    cx, cy = 24.0, 24.0
    colour = None
    # The veil: a soft round disc of pale lavender.
    if (x - cx) ** 2 + (y - cy) ** 2 <= 22.5 ** 2:
        colour = (232, 222, 245, 255)
    # Three sepals, narrow, behind the petals.
    for angle_deg in (-90, 30, 150):
        a = math.radians(angle_deg)
        px, py = cx + 11 * math.cos(a), cy + 11 * math.sin(a)
        if inside_ellipse(x, y, px, py, 11.5, 4.2, a):
            colour = (176, 120, 206, 255)
    # Two broad petals to the sides.
    for angle_deg in (-25, 205):
        a = math.radians(angle_deg)
        px, py = cx + 9 * math.cos(a), cy + 9 * math.sin(a)
        if inside_ellipse(x, y, px, py, 10.0, 7.0, a):
            colour = (204, 150, 228, 255)
    # The lip: a deep purple lobe below the centre.
    if inside_ellipse(x, y, cx, cy + 8.5, 6.5, 8.0, 0.0):
        colour = (118, 38, 140, 255)
    # Golden column at the heart.
    if (x - cx) ** 2 + (y - (cy - 1)) ** 2 <= 3.2 ** 2:
        colour = (250, 206, 64, 255)
    return colour


def render():
    pixels = []
    for row in range(SIZE):
        line = []
        for col in range(SIZE):
            total = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(col + (sx + 0.5) / SAMPLES, row + (sy + 0.5) / SAMPLES)
                    if c:
                        for k in range(3):
                            total[k] += c[k] * c[3]
                        total[3] += c[3]
            n = SAMPLES * SAMPLES
            alpha = total[3] // n
            if total[3]:
                rgb = [total[k] // total[3] for k in range(3)]
            else:
                rgb = [0, 0, 0]
            line.append((rgb[0], rgb[1], rgb[2], alpha))
        pixels.append(line)
    return pixels


def ico_bytes(pixels):
    xor = bytearray()
    for row in reversed(pixels):  # DIB rows run bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((SIZE + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(mask_stride)
        for col, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[col // 8] |= 0x80 >> (col % 8)
        mask += line
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


if __name__ == '__main__':
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'orchidveil.ico')
    with open(out, 'wb') as f:
        f.write(ico_bytes(render()))
    print('wrote', out)
