#!/usr/bin/env python3
# Draws the program icon (a parcel with an arrow leaving it, as a sign of unpacking) and
# writes it as a Windows .ico holding 32x32 and 16x16 images, 32 bits per pixel with an AND
# mask. Usage: make_icon.py OUT.ico
import struct
import sys


def draw(size):
    s = size / 32.0
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, rgba):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = rgba

    # the parcel: dark outline, brown body, lighter lid, tape down the middle
    rect(3, 13, 29, 31, (60, 40, 20, 255))
    rect(4, 14, 28, 30, (176, 120, 64, 255))
    rect(3, 10, 29, 14, (60, 40, 20, 255))
    rect(4, 11, 28, 13, (214, 160, 96, 255))
    rect(14, 11, 18, 30, (240, 220, 170, 255))
    # the arrow, pointing up and out of the lid
    rect(13, 3, 19, 10, (20, 110, 40, 255))
    rect(14, 4, 18, 10, (60, 190, 80, 255))
    for row in range(6):
        rect(10 + row, 8 - row, 22 - row, 9 - row, (60, 190, 80, 255))
    return px


def image(size):
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(px):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def main():
    sizes = [32, 16]
    images = [image(n) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], 'wb') as f:
        f.write(out + b''.join(images))


main()
