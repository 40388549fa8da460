#!/usr/bin/python3
"""Writes two decompression bombs into FOLDER, made with the standard library
alone:

  bomb-20000.png  a valid PNG of 20000 x 20000 black pixels (1-bit grey), ~50 kB
  bomb-32000.jpg  a small JPEG whose frame header claims 32000 x 32000 pixels

Usage: make_bombs.py FOLDER SMALL_JPEG
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


def jpeg_bomb(small, side):
    frame = small.find(b"\xff\xc0")
    if frame < 0:
        sys.exit("the JPEG has no baseline frame header")
    return small[:frame + 5] + struct.pack(">HH", side, side) + small[frame + 9:]


def main():
    folder, small = sys.argv[1], open(sys.argv[2], "rb").read()
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "bomb-20000.png"), "wb") as f:
        f.write(png_bomb(20000))
    with open(os.path.join(folder, "bomb-32000.jpg"), "wb") as f:
        f.write(jpeg_bomb(small, 32000))


if __name__ == "__main__":
    main()
