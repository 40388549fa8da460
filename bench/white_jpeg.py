#!/usr/bin/python3
"""Saves each icon of a list as a logo often is saved: its transparent parts
over a white background, as JPEG at quality 75.

Usage: white_jpeg.py LIST FOLDER   (prints one JPEG path per icon, in order)
"""
import os
import sys

os.environ.setdefault("OPENCV_LOG_LEVEL", "OFF")  # before cv2 reads it
import cv2  # noqa: E402
import numpy as np  # noqa: E402


def main():
    paths, folder = open(sys.argv[1]).read().split("\n")[:-1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    for i, path in enumerate(paths):
        out = os.path.join(folder, f"{i:05d}.jpg")
        icon = cv2.imread(path, cv2.IMREAD_UNCHANGED)
        if icon is not None:
            if icon.dtype != np.uint8:
                icon = (icon // 257).astype(np.uint8)
            if icon.ndim == 2:
                icon = cv2.cvtColor(icon, cv2.COLOR_GRAY2BGR)
            if icon.shape[2] == 4:
                alpha = icon[:, :, 3:4].astype(np.float64) / 255
                icon = np.round(icon[:, :, :3] * alpha + 255 * (1 - alpha)).astype(np.uint8)
            cv2.imwrite(out, icon, [cv2.IMWRITE_JPEG_QUALITY, 75])
        print(out)  # a missing file stays a Bad Icon in its place


if __name__ == "__main__":
    main()
