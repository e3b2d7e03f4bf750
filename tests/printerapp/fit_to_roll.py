#!/usr/bin/env python3
"""Makes PWG raster (sgray_8, 203 dpi) of a PDF's first page fitted into a roll page of WIDTH x
HEIGHT dots from its top left corner, as the XPS rasterizer fits a page into the ticket's media
size, so that the raster path can be compared with the XPS and PDF paths.

usage: fit_to_roll.py IN.pdf OUT.pwg WIDTH HEIGHT
A HEIGHT of 0 keeps the page's proportions at WIDTH (the page's own size on the roll).
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib


def main():
    source, target, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    with tempfile.TemporaryDirectory() as folder:
        pgm = os.path.join(folder, "page.pgm")
        box = ["-w", str(width)] + (["-h", str(height)] if height else [])
        subprocess.run(["mutool", "draw", "-q", "-F", "pgm", "-c", "gray", "-r", "203"] + box + ["-o", pgm, source, "1"],
                       check=True)
        data = open(pgm, "rb").read()
        magic, size, _, pixels = data.split(b"\n", 3)
        w, h = map(int, size.split())
        height = height or h
        if magic != b"P5" or w > width or h > height:
            raise SystemExit(f"unexpected rendering {magic!r} {w} x {h}")
        rows = b"".join(b"\0" + pixels[y * w:(y + 1) * w] + b"\xff" * (width - w) if y < h
                        else b"\0" + b"\xff" * width for y in range(height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        per_metre = round(203 / 0.0254)
        png = os.path.join(folder, "page.png")
        with open(png, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)) +
                      chunk(b"pHYs", struct.pack(">IIB", per_metre, per_metre, 1)) +
                      chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
        subprocess.run(["mutool", "convert", "-F", "pwg", "-O", "resolution=203,colorspace=gray", "-o", target, png],
                       check=True)


if __name__ == "__main__":
    main()
