#!/usr/bin/env python3
"""Draws the launcher's icon, a computer with an optical disc in front of it,
and writes it as an .ico file of four classic DIB images: 16x16 and 32x32, each
in 16 and in 256 colours.

Usage: tools/make_icon.py [output.ico]       (default: res/setup.ico)
       tools/make_icon.py --check res/setup.ico
"""

import colorsys
import math
import struct
import sys
from pathlib import Path

# The sixteen colours every display can show, in their usual order.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette_256():
    # VGA first so that the 256-colour images share the pure colours, then a
    # colour cube and a ramp of greys for the shading.
    levels = [0, 51, 102, 153, 204, 255]
    cube = [(r, g, b) for r in levels for g in levels for b in levels]
    greys = [(v, v, v) for v in range(8, 248, 10)]
    palette = VGA + cube + greys
    assert len(palette) == 256
    return palette


# The scene is laid out on a 32x32 grid; `px` is the size of one output pixel
# in grid units, so outlines stay one pixel wide at every size.

MONITOR = (1.0, 2.0, 25.0, 19.0)
SCREEN = (4.0, 5.0, 22.0, 16.0)
NECK = (10.0, 19.0, 16.0, 22.0)
BASE = (4.0, 22.0, 22.0, 26.0)
DISC_CENTRE = (23.0, 23.0)
DISC_RADIUS = 8.8
HUB_RADIUS = 3.2
HOLE_RADIUS = 1.3


def inside(box, x, y):
    return box[0] <= x < box[2] and box[1] <= y < box[3]


def near_edge(box, x, y, width):
    return inside(box, x, y) and not inside(
        (box[0] + width, box[1] + width, box[2] - width, box[3] - width), x, y)


def disc(x, y, px, rich):
    dx, dy = x - DISC_CENTRE[0], y - DISC_CENTRE[1]
    r = math.hypot(dx, dy)
    if r >= DISC_RADIUS or r < HOLE_RADIUS:
        return None
    if r >= DISC_RADIUS - px or r < HOLE_RADIUS + px * 0.6:
        return (64, 64, 64) if rich else (128, 128, 128)
    if r < HUB_RADIUS:
        return (232, 232, 232) if rich else (255, 255, 255)
    if r < HUB_RADIUS + px * 0.7:
        return (160, 160, 160) if rich else (128, 128, 128)
    angle = math.atan2(dy, dx)
    if rich:
        # The data side catches the light as a soft rainbow that turns with the angle.
        hue = (angle / (2 * math.pi) + 0.1) % 1.0
        shine = 0.5 + 0.5 * math.cos(2 * (angle + 0.8))
        red, green, blue = colorsys.hsv_to_rgb(hue, 0.35 + 0.25 * shine, 0.78 + 0.22 * shine)
        return (int(red * 255), int(green * 255), int(blue * 255))
    # Two bright wedges opposite each other, with a tint of cyan at one edge.
    shine = math.cos(2 * (angle + 0.8))
    if shine > 0.55:
        return (255, 255, 255)
    if shine > 0.2 and math.sin(angle + 0.8) > 0:
        return (0, 255, 255)
    return (192, 192, 192)


def computer(x, y, px, rich):
    if inside(MONITOR, x, y):
        if near_edge(MONITOR, x, y, px):
            return (0, 0, 0)
        if inside(SCREEN, x, y):
            if near_edge(SCREEN, x, y, px):
                return (128, 128, 128)
            if rich:
                # A glare across the upper left of the glass.
                t = (x - SCREEN[0]) / (SCREEN[2] - SCREEN[0]) + (y - SCREEN[1]) / (
                    SCREEN[3] - SCREEN[1])
                return (0, int(40 + 50 * (2 - t)), int(120 + 60 * (2 - t)))
            glare = (x - SCREEN[0]) + (y - SCREEN[1]) < 6
            return (0, 128, 128) if glare else (0, 0, 128)
        if rich and x < MONITOR[0] + 2 * px + 0.5:
            return (240, 240, 240)
        return (192, 192, 192)
    for box in (NECK, BASE):
        if inside(box, x, y):
            if near_edge(box, x, y, px):
                return (0, 0, 0)
            return (160, 160, 160) if rich else (128, 128, 128)
    return None


def scene(x, y, px, rich):
    colour = disc(x, y, px, rich)
    return colour if colour is not None else computer(x, y, px, rich)


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def render(size, bits):
    """Returns rows of (palette index or None for transparent), top row first."""
    palette = VGA if bits == 4 else palette_256()
    rich = bits == 8
    px = 32.0 / size
    # 256 colours can smooth the edges; 16 colours look cleaner sampled once.
    samples = 4 if rich else 1
    rows = []
    for row in range(size):
        line = []
        for col in range(size):
            hits = []
            for sy in range(samples):
                for sx in range(samples):
                    x = (col + (sx + 0.5) / samples) * px
                    y = (row + (sy + 0.5) / samples) * px
                    colour = scene(x, y, px, rich)
                    if colour is not None:
                        hits.append(colour)
            if len(hits) * 2 < samples * samples:
                line.append(None)
                continue
            mean = tuple(sum(c[i] for c in hits) // len(hits) for i in range(3))
            line.append(nearest(palette, mean))
        rows.append(line)
    return palette, rows


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def pack_row(values, bits):
    out = bytearray(row_bytes(len(values) * bits))
    per_byte = 8 // bits
    for i, value in enumerate(values):
        shift = 8 - bits * (i % per_byte + 1)
        out[i // per_byte] |= value << shift
    return bytes(out)


def dib(size, bits):
    palette, rows = render(size, bits)
    # Transparent pixels are black in the colour bits and set in the mask.
    colour_rows = [pack_row([v or 0 for v in line], bits) for line in rows]
    mask_rows = [pack_row([1 if v is None else 0 for v in line], 1) for line in rows]
    pixels = b"".join(reversed(colour_rows)) + b"".join(reversed(mask_rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(pixels), 0, 0, 0,
                         0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + pixels


IMAGES = [(16, 4, 296), (16, 8, 1384), (32, 4, 744), (32, 8, 2216)]


def icon_file():
    images = [dib(size, bits) for size, bits, _ in IMAGES]
    for image, (size, bits, expected) in zip(images, IMAGES):
        assert len(image) == expected, (size, bits, len(image))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for image, (size, bits, _) in zip(images, IMAGES):
        colours = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        if Path(argv[2]).read_bytes() != icon_file():
            print(f"{argv[2]} is not what the generator draws; run {argv[0]}", file=sys.stderr)
            return 1
        return 0
    default = Path(__file__).resolve().parent.parent / "res" / "setup.ico"
    target = Path(argv[1]) if len(argv) > 1 else default
    target.write_bytes(icon_file())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
