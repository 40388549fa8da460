#!/usr/bin/python3
"""A second, independent derivation of vexlor's results-file record.

It repeats the arithmetic of the descriptor in plain Python (IEEE doubles,
one rounding per operation, the same operand order) and takes only the image
library's own steps (loading, blur, resampling, Lab conversion) from OpenCV's
Python binding. The tests compare its records with the tool's byte for byte.

Usage: vexlor_reference.py ICON [--double] [--blur B] [--append]
Prints the record vexlor writes for ICON (overwrite mode unless --append).
"""
import argparse
import math
import struct
import sys

import cv2

PI = 3.141592653589793


def as_float32(value):
    """Rounds a double to single precision, as a float map stores it."""
    return struct.unpack("f", struct.pack("f", value))[0]


def load(path, blur):
    icon = cv2.imread(path, cv2.IMREAD_COLOR | cv2.IMREAD_IGNORE_ORIENTATION)
    if icon is None or icon.size == 0:
        return None
    if blur:
        k = 2 * blur + 1
        icon = cv2.GaussianBlur(icon, (k, k), 0, 0, borderType=cv2.BORDER_REPLICATE)
    return icon


def lab_planes(icon):
    rows, cols = icon.shape[:2]
    if (rows, cols) != (62, 62):
        icon = cv2.resize(icon, (62, 62), interpolation=cv2.INTER_LINEAR)
    lab = cv2.cvtColor(icon, cv2.COLOR_BGR2Lab)
    return [[[int(lab[y, x, c]) for x in range(62)] for y in range(62)] for c in range(3)]


def gradient(L):
    """Magnitude and orientation of map pixels (y, x), y and x in 1..60."""
    magnitude = [[0.0] * 63 for _ in range(63)]
    orientation = [[0.0] * 63 for _ in range(63)]
    for y in range(1, 61):
        for x in range(1, 61):
            dx = float(L[y][x + 1]) - float(L[y][x - 1])
            dy = float(L[y + 1][x]) - float(L[y - 1][x])
            magnitude[y][x] = as_float32(math.sqrt(dx * dx + dy * dy))
            theta = math.atan2(dy, dx)
            if theta == PI:
                theta = -PI
            orientation[y][x] = as_float32(theta)
    return magnitude, orientation


def tiny(value):
    if value > 255.0:
        value = 255.0
    return int(value)  # truncation toward zero


GROUP_OF_CELL = [0, 2, 0, 0, 2, 2, 1, 1, 3, 3, 1, 3]
MIDDLE_CELL = [0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0]
CELL_WEIGHT = [0.5, 0.5, 0.5, 1.0, 1.0, 0.5, 0.5, 1.0, 1.0, 0.5, 0.5, 0.5]


def descriptors(icon):
    planes = lab_planes(icon)
    magnitude, orientation = gradient(planes[0])
    rec = [0.0] * 168
    rec_int = [0] * 168
    group = [0.0] * 40
    group_int = [0] * 40
    cell = 0
    for cx in range(4):
        for cy in range(4):
            if cx in (0, 3) and cy in (0, 3):
                continue
            cell += 1
            hist = [0.0] * 8
            sums = [0.0] * 6
            for k in range(15 * cy, 15 * cy + 15):
                for t in range(15 * cx, 15 * cx + 15):
                    o = orientation[k + 1][t + 1] + PI
                    while o < 0:
                        o += 2 * PI
                    while o >= 2 * PI:
                        o -= 2 * PI
                    degrees = int(o * 180.0 / PI)
                    b = degrees // 45
                    frac = degrees / 45.0 - b
                    m = magnitude[k + 1][t + 1]
                    hist[b] = m * (1 - frac) + hist[b]
                    hist[(b + 1) % 8] = m * frac + hist[(b + 1) % 8]
                    for c in range(3):
                        v = planes[c][k + 1][t + 1] - 128.0
                        sums[2 * c] += v if v > 0 else 0.0
                        sums[2 * c + 1] += -v if v < 0 else 0.0
            for b in range(8):
                i = (cell - 1) * 8 + b
                rec[i] = hist[b] / 225.0
                rec_int[i] = tiny(8.0 * rec[i])
                targets = [GROUP_OF_CELL[cell - 1] * 8 + b]
                if MIDDLE_CELL[cell - 1]:
                    targets.append(32 + b)
                for g in targets:
                    group[g] = CELL_WEIGHT[cell - 1] * rec[i] + group[g]
                    group_int[g] = tiny(5.0 * group[g])
            for j in range(6):
                i = 96 + (cell - 1) * 6 + j
                rec[i] = sums[j] / 225.0
                rec_int[i] = tiny(rec[i] + rec[i])
    weights = [16.0] * 96 + [1.0] * 72
    weights_int = [4] * 96 + [1] * 72
    ranges = [8.0] * 40
    ranges_int = [40] * 40
    return (rec, group, weights, ranges), (rec_int, group_int, weights_int, ranges_int)


def record(path, double_form=False, blur=0):
    icon = load(path, blur)
    if icon is None:
        return "Bad Icon"
    doubles, integers = descriptors(icon)
    if double_form:
        return "".join("%g " % v for vector in doubles for v in vector)
    return "".join("%d " % v for vector in integers for v in vector)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("icon")
    parser.add_argument("--double", action="store_true")
    parser.add_argument("--blur", type=int, default=0)
    parser.add_argument("--append", action="store_true")
    args = parser.parse_args()
    text = record(args.icon, args.double, args.blur)
    sys.stdout.write(text + ("\n" if args.append else ""))


if __name__ == "__main__":
    main()
