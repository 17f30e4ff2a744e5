#!/usr/bin/env python3
"""Reads the PNG pictures the replay tool writes (8-bit RGB or RGBA, not interlaced), so the
tests need nothing beyond Python.

    png.py size FILE          prints WIDTHxHEIGHT
    png.py pixel FILE X Y     prints the pixel's colour as #RRGGBB
    png.py differ A B         prints how many pixels of two pictures of one size differ in colour
    png.py same A B W H       exit status 0 when the top-left W x H pixels of A and B are the
                              same colours, else 1 with the first that differs
"""

import struct
import sys
import zlib


def read_png(path, rows_needed=None):
    """Width, height, channels and the first rows_needed rows (all by default), unfiltered."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s is not a PNG file" % path)
    position, header, compressed = 8, None, b""
    while position < len(data):
        (length,) = struct.unpack(">I", data[position:position + 4])
        kind = data[position + 4:position + 8]
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace != 0:
        raise ValueError("%s: only 8-bit RGB or RGBA pictures, not interlaced" % path)
    channels = 3 if colour_type == 2 else 4
    raw = zlib.decompress(compressed)
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height if rows_needed is None else min(rows_needed, height)):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                estimate = left + up - corner
                pa, pb, pc = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
                predictor = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + predictor) & 0xFF
        rows.append(line)
        previous = line
    return width, height, channels, rows


def main(argv):
    if len(argv) == 3 and argv[1] == "size":
        width, height, _, _ = read_png(argv[2])
        print("%dx%d" % (width, height))
        return 0
    if len(argv) == 5 and argv[1] == "pixel":
        x, y = int(argv[3]), int(argv[4])
        _, _, channels, rows = read_png(argv[2], y + 1)
        red, green, blue = rows[y][x * channels:x * channels + 3]
        print("#%02X%02X%02X" % (red, green, blue))
        return 0
    if len(argv) == 4 and argv[1] == "differ":
        width_a, height_a, channels_a, rows_a = read_png(argv[2])
        width_b, height_b, channels_b, rows_b = read_png(argv[3])
        if (width_a, height_a) != (width_b, height_b):
            sys.stderr.write("%dx%d against %dx%d\n" % (width_a, height_a, width_b, height_b))
            return 1
        differing = 0
        for row_a, row_b in zip(rows_a, rows_b):
            for x in range(width_a):
                a = row_a[x * channels_a:x * channels_a + 3]
                b = row_b[x * channels_b:x * channels_b + 3]
                differing += a != b
        print(differing)
        return 0
    if len(argv) == 6 and argv[1] == "same":
        width, height = int(argv[4]), int(argv[5])
        pictures = [read_png(path, height) for path in argv[2:4]]
        for path, (w, h, _, _) in zip(argv[2:4], pictures):
            if w < width or h < height:
                print("%s is %dx%d, smaller than %dx%d" % (path, w, h, width, height))
                return 1
        for y in range(height):
            rows = [(rows[y], channels) for _, _, channels, rows in pictures]
            for x in range(width):
                a, b = [tuple(row[x * c:x * c + 3]) for row, c in rows]
                if a != b:
                    print("pixel (%d, %d) is #%02X%02X%02X in %s and #%02X%02X%02X in %s"
                          % ((x, y) + a + (argv[2],) + b + (argv[3],)))
                    return 1
        return 0
    sys.stderr.write(
        "usage: png.py size FILE | png.py pixel FILE X Y | png.py differ A B | png.py same A B W H\n"
    )
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
