#!/usr/bin/env python3
"""Writes real image files with Pillow, an independent encoder, so that the header
reader is checked on files it did not make. Prints one line per file: NAME WIDTH HEIGHT.

Usage: image_make.py OUTDIR
"""
import os
import sys

from PIL import Image


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    made = []

    def save(name, size, mode="RGB", **kw):
        img = Image.new(mode, size, color=0 if mode in ("L", "1") else (30, 120, 60))
        img.save(os.path.join(out, name), **kw)
        made.append((name, size))

    save("baseline.jpg", (123, 45), quality=80)
    save("progressive.jpg", (640, 480), progressive=True, optimize=True)
    # A large EXIF block before the frame header, as cameras write it.
    exif = Image.Exif()
    exif[0x010E] = "x" * 30000  # ImageDescription
    save("exif.jpg", (1000, 667), exif=exif.tobytes())
    save("grey.jpg", (17, 3000), mode="L")
    save("tile.png", (4000, 4000), mode="L", optimize=True)
    save("one.png", (1, 1))
    save("plain.tif", (300, 200))
    save("deflate.tif", (257, 129), compression="tiff_deflate")
    save("bilevel.tif", (70000, 3), mode="1", compression="group4")
    save("picture.bmp", (321, 123))
    for name, (w, h) in made:
        print(name, w, h)


if __name__ == "__main__":
    main()
