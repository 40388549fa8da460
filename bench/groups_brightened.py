"""Brightened and contrast-changed copies, for bench/groups_quality.sh: 600
distinct pictures of the oxygen (48 px) and Tango (32 px) themes, each with four copies
whose colour (not alpha) is moved as a picture editor's brightness and
contrast move it: +25, -25, x 0.8, x 1.25 - 20. Such a copy moves every cell
of the grey map at once, as a sibling with another emblem does not. Writes
WORK/list and WORK/truth as bench/groups_truth.py does (each icon and its
copies one artwork and one original).

    groups_brightened.py WORK
"""
import glob
import os
import random
import sys

import numpy as np
from PIL import Image

from groups_truth import write_truth

ICONS = 600
CHANGES = [(1.0, 25), (1.0, -25), (0.8, 0), (1.25, -20)]  # colour x factor + offset


def main():
    work = sys.argv[1]
    os.makedirs(os.path.join(work, "copies"), exist_ok=True)
    random.seed(11)
    icons = sorted(glob.glob("/usr/share/icons/oxygen/base/48x48/*/*.png") +
                   glob.glob("/usr/share/icons/Tango/32x32/*/*.png"))
    random.shuffle(icons)
    paths, truth, seen = [], [], set()
    for source in icons:
        if len(seen) == ICONS:
            break
        with Image.open(source) as im:
            rgba = im.convert("RGBA")
        picture = rgba.tobytes()
        if picture in seen:  # one picture under several names is one artwork
            continue
        seen.add(picture)
        a = len(seen) - 1
        pixels = np.asarray(rgba, dtype=np.float64)
        original = len(paths)
        paths.append(source)
        truth.append(f"{a}\t{original}\tsize")
        for c, (factor, offset) in enumerate(CHANGES):
            copy = pixels.copy()
            copy[..., :3] = np.clip(np.rint(copy[..., :3] * factor + offset), 0, 255)
            path = os.path.join(work, "copies", f"{a}-{c}.png")
            Image.fromarray(copy.astype(np.uint8), "RGBA").save(path)
            paths.append(path)
            truth.append(f"{a}\t{original}\tbrightened")
    write_truth(work, paths, truth)


if __name__ == "__main__":
    main()
