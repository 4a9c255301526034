#!/usr/bin/env python3
"""Draws the program's icon, MAINICON: 32 x 32 pixels, 16 colours.

A closed box with a zipper down its front and a green arrow rising out of its lid: an archive
that unpacks itself. Writes main_icon.ico beside this script (or to the path given), using only
the standard library, so the icon can be remade and changed in review like any other source.
"""
import struct
import sys
from pathlib import Path

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, OLIVE, SILVER, GREY, LIME, YELLOW, WHITE = 0, 2, 3, 7, 8, 10, 11, 15
CLEAR = None  # transparent: drawn through the AND mask


def blank():
    return [[CLEAR] * SIZE for _ in range(SIZE)]


def fill(pixels, left, top, right, bottom, colour):
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            pixels[y][x] = colour


def outline(pixels, left, top, right, bottom, colour):
    for x in range(left, right + 1):
        pixels[top][x] = pixels[bottom][x] = colour
    for y in range(top, bottom + 1):
        pixels[y][left] = pixels[y][right] = colour


def draw_box(pixels):
    fill(pixels, 4, 13, 27, 30, YELLOW)       # front
    fill(pixels, 23, 14, 26, 29, OLIVE)       # shaded side
    outline(pixels, 4, 13, 27, 30, BLACK)
    fill(pixels, 2, 9, 29, 13, YELLOW)        # lid
    fill(pixels, 3, 12, 28, 12, OLIVE)        # lid's shadow line
    outline(pixels, 2, 9, 29, 13, BLACK)
    for y in range(10, 30):                   # zipper teeth, alternating
        pixels[y][15] = GREY if y % 2 else SILVER
        pixels[y][16] = SILVER if y % 2 else GREY
    fill(pixels, 14, 18, 17, 20, GREY)        # zipper pull
    outline(pixels, 14, 18, 17, 20, BLACK)


def draw_arrow(pixels):
    for row in range(6):                      # head: widening downwards from the tip
        y = row
        fill(pixels, 15 - row, y, 16 + row, y, LIME)
        pixels[y][15 - row] = pixels[y][16 + row] = DARK_GREEN
    fill(pixels, 13, 6, 18, 10, LIME)         # shaft, into the lid
    fill(pixels, 13, 6, 13, 10, DARK_GREEN)
    fill(pixels, 18, 6, 18, 10, DARK_GREEN)


def pixel_rows_bottom_up(pixels):
    """The XOR image (4 bits a pixel) and the AND mask (1 bit a pixel), bottom row first."""
    colour_bytes, mask_bytes = bytearray(), bytearray()
    for row in reversed(pixels):
        for x in range(0, SIZE, 2):
            high, low = (c if c is not None else 0 for c in row[x:x + 2])
            colour_bytes.append(high << 4 | low)
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (SIZE - 1 - x)
        mask_bytes += bits.to_bytes(SIZE // 8, "big")  # rows of 32 bits need no padding
    return bytes(colour_bytes), bytes(mask_bytes)


def icon_file(pixels):
    colours, mask = pixel_rows_bottom_up(pixels)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    # The height counts the XOR image and the AND mask together.
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                       len(colours) + len(mask), 0, 0, 16, 0)
    image = info + palette + colours + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("main_icon.ico")
    pixels = blank()
    draw_box(pixels)
    draw_arrow(pixels)
    target.write_bytes(icon_file(pixels))


if __name__ == "__main__":
    main()
