#!/usr/bin/python3
"""Saves each icon of a list as JPEG, as vexlor sees it (colour, alpha
dropped), at the image library's default quality 95.

Usage: jpeg_twins.py LIST FOLDER   (prints the list of the JPEG files)
"""
import os
import sys

os.environ.setdefault("OPENCV_LOG_LEVEL", "OFF")  # before cv2 reads it
import cv2  # noqa: E402


def main():
    paths, folder = open(sys.argv[1]).read().split("\n")[:-1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    for i, path in enumerate(paths):
        out = os.path.join(folder, f"{i:05d}.jpg")
        icon = cv2.imread(path, cv2.IMREAD_COLOR)
        if icon is not None and cv2.imwrite(out, icon):
            print(out)


if __name__ == "__main__":
    main()
