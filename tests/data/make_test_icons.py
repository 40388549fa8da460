#!/usr/bin/python3
"""Makes the format variants of the shipped icons that the tests read.

Run from anywhere; writes next to this script. The sources are real icons
(see README in this folder); every variant holds the same kind of picture in
another container, depth, colour model or size.
"""
import os
import struct
import subprocess

import cv2
import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


def exif_orientation_segment(orientation):
    """A minimal APP1 Exif segment holding only the orientation tag."""
    ifd = struct.pack("<H", 1) + struct.pack("<HHIHH", 0x0112, 3, 1, orientation, 0)
    ifd += struct.pack("<I", 0)
    tiff = b"II*\x00" + struct.pack("<I", 8) + ifd
    body = b"Exif\x00\x00" + tiff
    return b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body


def main():
    rgba = cv2.imread(path("calculator.png"), cv2.IMREAD_UNCHANGED)
    colour = cv2.imread(path("audio-card.png"), cv2.IMREAD_COLOR)

    cv2.imwrite(path("calculator-16bit.png"), rgba.astype(np.uint16) * 257)
    cv2.imwrite(path("calculator-grey.png"), cv2.cvtColor(rgba, cv2.COLOR_BGRA2GRAY))
    cv2.imwrite(path("audio-card.jpg"), colour, [cv2.IMWRITE_JPEG_QUALITY, 90])
    cv2.imwrite(path("audio-card.bmp"), colour)
    cv2.imwrite(path("audio-card.tiff"), colour)
    cv2.imwrite(path("audio-card.webp"), colour, [cv2.IMWRITE_WEBP_QUALITY, 90])
    cv2.imwrite(path("audio-card-62x62.png"),
                cv2.resize(colour, (62, 62), interpolation=cv2.INTER_AREA))
    cv2.imwrite(path("audio-card-62x61.png"),
                cv2.resize(colour, (62, 61), interpolation=cv2.INTER_AREA))
    cv2.imwrite(path("one-pixel.png"), colour[40:41, 40:41])
    cv2.imwrite(path("wide-1x300.png"), cv2.resize(colour, (300, 1), interpolation=cv2.INTER_AREA))

    # The same JPEG once more, tagged "rotate 90 degrees when shown": the tool
    # measures the stored pixels and ignores the tag.
    with open(path("audio-card.jpg"), "rb") as f:
        jpeg = f.read()
    with open(path("audio-card-rotated-tag.jpg"), "wb") as f:
        f.write(jpeg[:2] + exif_orientation_segment(6) + jpeg[2:])

    # An indexed-colour (palette) PNG, which OpenCV cannot write itself.
    subprocess.run(["convert", path("calculator.png"), "PNG8:" + path("calculator-palette.png")],
                   check=True)


if __name__ == "__main__":
    main()
