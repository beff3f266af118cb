#!/usr/bin/env python3
"""Assemble HAND-M.CUR from a 32x32 PNG rendering of hand.svg.

Usage: make_cursor.py OUT.cur PNG32 HOT_X HOT_Y

The file holds one 32x32 image as a 32-bit BGRA DIB with a 1-bit AND mask; the directory entry
carries the hot spot where an icon would have its planes and bit count.
Only the standard library is used so the script runs on a bare python3.
"""

import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"

SIZE = 32
BIT_COUNT = 32
CURSOR_TYPE = 2


def fail(message):
    sys.stderr.write("make_cursor.py: " + message + "\n")
    sys.exit(1)


def read_png_rgba(path):
    """Decode an 8-bit RGBA, non-interlaced PNG (what rsvg-convert writes) to (w, h, rows)."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(PNG_SIGNATURE):
        fail(path + " is not a PNG")
    pos = len(PNG_SIGNATURE)
    header = None
    idat = bytearray()
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    if header is None:
        fail(path + " has no IHDR")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        fail(path + ": expected 8-bit non-interlaced RGBA, got depth %d colour type %d interlace %d"
             % (depth, colour, interlace))

    raw = zlib.decompress(bytes(idat))
    bpp = 4
    stride = width * bpp
    rows = []
    previous = bytearray(stride)
    pos = 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        # Undo the per-row PNG filter in place.
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            up = previous[i]
            if kind == 0:
                continue
            if kind == 1:
                predictor = left
            elif kind == 2:
                predictor = up
            elif kind == 3:
                predictor = (left + up) >> 1
            elif kind == 4:
                up_left = previous[i - bpp] if i >= bpp else 0
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                if pa <= pb and pa <= pc:
                    predictor = left
                elif pb <= pc:
                    predictor = up
                else:
                    predictor = up_left
            else:
                fail(path + ": unknown PNG filter %d" % kind)
            line[i] = (line[i] + predictor) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def masked(row, x):
    return row[x * 4 + 3] < 128


def and_mask(rows, width):
    """1-bit mask, bottom-up, rows padded to 32 bits; a set bit means transparent."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x in range(width):
            if masked(row, x):
                bits[x >> 3] |= 0x80 >> (x & 7)
        out += bits
    return bytes(out)


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


def main(argv):
    if len(argv) != 5:
        fail("usage: make_cursor.py OUT.cur PNG32 HOT_X HOT_Y")
    out_path, png_path = argv[1], argv[2]
    try:
        hot_x, hot_y = int(argv[3]), int(argv[4])
    except ValueError:
        fail("hot spot coordinates must be whole numbers")
    width, height, rows = read_png_rgba(png_path)
    if (width, height) != (SIZE, SIZE):
        fail("%s is %dx%d, expected %dx%d" % (png_path, width, height, SIZE, SIZE))
    if not (0 <= hot_x < SIZE and 0 <= hot_y < SIZE):
        fail("hot spot (%d, %d) lies outside the image" % (hot_x, hot_y))
    # A hot spot on a clear pixel means the drawing moved away from it: catch that here.
    if masked(rows[hot_y], hot_x):
        fail("hot spot (%d, %d) is on a transparent pixel" % (hot_x, hot_y))

    payload = dib(rows, SIZE, SIZE)
    directory = struct.pack("<HHH", 0, CURSOR_TYPE, 1)
    offset = len(directory) + 16
    directory += struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hot_x, hot_y, len(payload), offset)

    with open(out_path, "wb") as f:
        f.write(directory + payload)


if __name__ == "__main__":
    main(sys.argv)
