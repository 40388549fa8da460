#!/usr/bin/python3
"""Saves each icon of a list as JPEG (or, with --png, as an RGB PNG).

Usage: jpeg_copies.py LIST FOLDER [QUALITY] [--over-white] [--png]
Prints one JPEG path per icon, in order (a path whose icon cannot be read is
printed all the same, so that it stays a Bad Icon in its place). By default
the icon as vexlor sees it (colour, alpha dropped) at the image library's
default quality 95; with --over-white its transparent parts over a white
background, as logos are often saved.
"""
import os
import sys

os.environ.setdefault("OPENCV_LOG_LEVEL", "OFF")  # before cv2 reads it
import cv2  # noqa: E402
import numpy as np  # noqa: E402


def over_white(icon):
    if icon.dtype != np.uint8:
        icon = (icon // 257).astype(np.uint8)
    if icon.ndim == 2:
        icon = cv2.cvtColor(icon, cv2.COLOR_GRAY2BGR)
    if icon.shape[2] == 4:
        alpha = icon[:, :, 3:4].astype(np.float64) / 255
        icon = np.round(icon[:, :, :3] * alpha + 255 * (1 - alpha)).astype(np.uint8)
    return icon


def main():
    args = [a for a in sys.argv[1:] if a not in ("--over-white", "--png")]
    white = "--over-white" in sys.argv
    ext = ".png" if "--png" in sys.argv else ".jpg"
    paths, folder = open(args[0]).read().split("\n")[:-1], args[1]
    quality = int(args[2]) if len(args) > 2 else 95
    os.makedirs(folder, exist_ok=True)
    for i, path in enumerate(paths):
        out = os.path.join(folder, f"{i:05d}{ext}")
        icon = cv2.imread(path, cv2.IMREAD_UNCHANGED if white else cv2.IMREAD_COLOR)
        if icon is not None:
            params = [cv2.IMWRITE_JPEG_QUALITY, quality] if ext == ".jpg" else []
            cv2.imwrite(out, over_white(icon) if white else icon, params)
        print(out)


if __name__ == "__main__":
    main()
