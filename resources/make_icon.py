#!/usr/bin/env python3
"""Assemble span-meter.ico from PNG renderings of span-meter.svg.

Usage: make_icon.py OUT.ico PNG32 PNG256 PNG128 PNG48 PNG24 PNG16

The entries are written in the argument order:
  32x32   24-bit DIB with a 1-bit AND mask (for consumers without alpha support)
  256x256 PNG stored verbatim (the customary form for 256-pixel entries)
  128x128 32-bit BGRA DIB with AND mask
  48x48   32-bit BGRA DIB with AND mask
  24x24   32-bit BGRA DIB with AND mask (small icons at 150 %)
  16x16   32-bit BGRA DIB with AND mask (the title bar and small icons at 100 %)
Only the standard library is used so the script runs on a bare python3.
"""

import struct
import sys
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"

# (size, bits per pixel, stored as PNG)
LAYOUT = [(32, 24, False), (256, 32, True), (128, 32, False), (48, 32, False), (24, 32, False),
          (16, 32, False)]


def fail(message):
    sys.stderr.write("make_icon.py: " + message + "\n")
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


def and_mask(rows, width):
    """1-bit mask, bottom-up, rows padded to 32 bits; a set bit means transparent."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x in range(width):
            if row[x * 4 + 3] < 128:
                bits[x >> 3] |= 0x80 >> (x & 7)
        out += bits
    return bytes(out)


def dib(rows, width, height, bit_count):
    """BITMAPINFOHEADER + colour rows (bottom-up) + AND mask; height is doubled as ICO requires."""
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for x in range(width):
            r, g, b, a = row[x * 4:x * 4 + 4]
            if bit_count == 32:
                line += bytes((b, g, r, a))
            elif a < 128:
                # Masked pixels must be black: Windows XORs the colour onto the screen.
                line += b"\0\0\0"
            elif (r, g, b) == (0, 0, 0):
                # Keep black reserved for masked pixels, so a reader that ignores the mask
                # (Qt's ICO plugin does, for 24-bit entries) can still recover it by colour key.
                line += b"\1\1\1"
            else:
                line += bytes((b, g, r))
        line += bytes((-len(line)) % 4)
        pixels += line
    mask = and_mask(rows, width)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bit_count, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + mask


def main(argv):
    if len(argv) != 2 + len(LAYOUT):
        fail("usage: make_icon.py OUT.ico PNG32 PNG256 PNG128 PNG48 PNG24 PNG16")
    out_path = argv[1]
    payloads = []
    for (size, bit_count, as_png), png_path in zip(LAYOUT, argv[2:]):
        width, height, rows = read_png_rgba(png_path)
        if (width, height) != (size, size):
            fail("%s is %dx%d, expected %dx%d" % (png_path, width, height, size, size))
        if as_png:
            with open(png_path, "rb") as f:
                payload = f.read()
        else:
            payload = dib(rows, size, size, bit_count)
        payloads.append((size, bit_count, payload))

    directory = struct.pack("<HHH", 0, 1, len(payloads))
    offset = len(directory) + 16 * len(payloads)
    body = bytearray()
    for size, bit_count, payload in payloads:
        dimension = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, bit_count,
                                 len(payload), offset)
        offset += len(payload)
        body += payload

    with open(out_path, "wb") as f:
        f.write(directory + bytes(body))


if __name__ == "__main__":
    main(sys.argv)
