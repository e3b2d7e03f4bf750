#!/usr/bin/env python3
"""Compares two drawings of printed paper (brimloft-decode --png): the same size within TOLERANCE
dots each way, and nearly every black dot of each matched by a black dot of the other within
TOLERANCE dots. Prints the figures; exit status 1 when they differ more.

usage: compare_paper.py A.png B.png [TOLERANCE]
"""
import struct
import sys
import zlib


def read_png(path):
    """Width, height and the set of dark pixels of a grey, RGB or palette PNG without interlace."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    pos, idat, width, palette = 8, b"", 0, []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if colour not in (0, 2, 3) or interlace or (colour != 3 and depth != 8):
                raise SystemExit(f"{path}: only 8-bit grey or RGB, or palette PNG without interlace is read")
            channels = 3 if colour == 2 else 1
        elif kind == b"PLTE":
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    bits = channels * depth
    stride = (width * bits + 7) // 8
    bpp = max(1, bits // 8)  # the byte distance the filters look back
    previous = bytearray(stride)
    dark = set()
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = row[i - bpp] if i >= bpp else 0
            up = previous[i]
            upleft = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                row[i] = (row[i] + left) & 255
            elif kind == 2:
                row[i] = (row[i] + up) & 255
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - upleft
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upleft)
                row[i] = (row[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else upleft)) & 255
        for x in range(width):
            if colour == 3:
                index = (row[x * depth // 8] >> (8 - depth - (x * depth) % 8)) & ((1 << depth) - 1)
                red, _, blue = palette[index]
            else:
                red, blue = row[x * channels], row[x * channels + channels - 1]
            if red < 128 and blue < 128:
                dark.add((x, y))
        previous = row
    return width, height, dark


def matched(dots, other, reach):
    near = [(dx, dy) for dx in range(-reach, reach + 1) for dy in range(-reach, reach + 1)]
    return sum(1 for (x, y) in dots if any((x + dx, y + dy) in other for dx, dy in near))


def main():
    a, b = sys.argv[1], sys.argv[2]
    reach = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    wa, ha, da = read_png(a)
    wb, hb, db = read_png(b)
    ma, mb = matched(da, db, reach), matched(db, da, reach)
    share_a = ma / len(da) if da else 1.0
    share_b = mb / len(db) if db else 1.0
    print(f"{a}: {wa} x {ha} dots, {len(da)} black")
    print(f"{b}: {wb} x {hb} dots, {len(db)} black")
    print(f"black dots matched within {reach} dots: {share_a:.4f} and {share_b:.4f}")
    same = abs(wa - wb) <= reach and abs(ha - hb) <= reach and min(share_a, share_b) >= 0.99
    print("same paper" if same else "DIFFERENT paper")
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
