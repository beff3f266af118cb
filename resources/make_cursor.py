#!/usr/bin/env python3
"""Assemble HAND-M.CUR from 32x32 and 64x64 PNG renderings of hand.svg.

Usage: make_cursor.py OUT.cur PNG32 PNG64 HOT_X HOT_Y

The file holds the two images, for the ordinary and the double scale, each as a 32-bit BGRA DIB
with a 1-bit AND mask; each directory entry carries its image's hot spot (HOT_X, HOT_Y at 32
pixels, scaled with the image) where an icon would have its planes and bit count.
Only the standard library is used so the script runs on a bare python3.
"""

import struct
import sys

# The PNG reading and the AND mask are the icon script's, beside this one.
from make_icon import and_mask, read_png_rgba

SIZES = (32, 64)
BIT_COUNT = 32
CURSOR_TYPE = 2


def fail(message):
    sys.stderr.write("make_cursor.py: " + message + "\n")
    sys.exit(1)


def masked(row, x):
    return row[x * 4 + 3] < 128


def dib(rows, width, height):
    """BITMAPINFOHEADER + BGRA rows (bottom-up) + AND mask; height is doubled as the format requires."""
    pixels = bytearray()
    for row in reversed(rows):
        for x in range(width):
            r, g, b, a = row[x * 4:x * 4 + 4]
            if masked(row, x):
                # Fully clear, so readers that go by the mask and readers that go by alpha agree,
                # and a mask-only renderer XORs nothing onto the screen.
                pixels += b"\0\0\0\0"
            else:
                pixels += bytes((b, g, r, a))
    mask = and_mask(rows, width)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, BIT_COUNT, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + mask


def read_image(png_path, size, hot_x, hot_y):
    width, height, rows = read_png_rgba(png_path)
    if (width, height) != (size, size):
        fail("%s is %dx%d, expected %dx%d" % (png_path, width, height, size, size))
    if not (0 <= hot_x < size and 0 <= hot_y < size):
        fail("hot spot (%d, %d) lies outside the image" % (hot_x, hot_y))
    # A hot spot on a clear pixel means the drawing moved away from it: catch that here.
    if masked(rows[hot_y], hot_x):
        fail("hot spot (%d, %d) is on a transparent pixel of %s" % (hot_x, hot_y, png_path))
    return dib(rows, size, size)


def main(argv):
    if len(argv) != 4 + len(SIZES):
        fail("usage: make_cursor.py OUT.cur PNG32 PNG64 HOT_X HOT_Y")
    out_path, png_paths = argv[1], argv[2:2 + len(SIZES)]
    try:
        hot_x, hot_y = int(argv[-2]), int(argv[-1])
    except ValueError:
        fail("hot spot coordinates must be whole numbers")

    directory = struct.pack("<HHH", 0, CURSOR_TYPE, len(SIZES))
    offset = len(directory) + 16 * len(SIZES)
    payloads = b""
    for size, png_path in zip(SIZES, png_paths):
        scale = size // SIZES[0]
        payload = read_image(png_path, size, hot_x * scale, hot_y * scale)
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, hot_x * scale, hot_y * scale,
                                 len(payload), offset + len(payloads))
        payloads += payload

    with open(out_path, "wb") as f:
        f.write(directory + payloads)


if __name__ == "__main__":
    main(sys.argv)
