"""A ground truth of same-artwork icons from a Debian icon theme.

    groups_truth.py THEME_DIR WORK [MAX_ARTWORKS]

An artwork is an icon name of the theme: its PNGs at every size are the same
artwork. Files with the same pixels (symbolic links, and one picture kept
under several names) count once and join the names they carry; so do, among
the artworks chosen, names whose pictures at one size are the same but for
export noise: no pixel over white more than SAME_PICTURE_LEVELS apart in a
channel, less than the slight colour shift below moves one (Yaru's
help-contents and gnome-help, configure and document-properties). Each
artwork's largest PNG of at most 256 px is
its original, and copies of it are made as people make them: resized to 24
and 32 px by ImageMagick, to 48 px by Pillow (LANCZOS), JPEG quality 75 over
white, a slight blur, a slight colour shift. Writes, one line per icon:
WORK/list (its path), WORK/truth ("ARTWORK<TAB>ORIGINAL<TAB>KIND": the
artwork's number, the number of the file it is or copies, and "size" for a
theme file or the copy's kind).
"""
import hashlib
import os
import random
import subprocess
import sys
from collections import defaultdict
from concurrent.futures import ThreadPoolExecutor

import numpy as np
from PIL import Image

COPY_KINDS = ["resize24", "resize32", "lanczos48", "jpeg75", "blur", "colour"]
# The "colour" copy moves a channel by at most 15 levels (0.06 x 240).
SAME_PICTURE_LEVELS = 15


def theme_pngs(theme):
    found = []
    for root, _, files in os.walk(theme):
        for f in files:
            if f.endswith(".png"):
                found.append(os.path.join(root, f))
    return sorted(found)


def artworks(paths):
    """Artworks as lists of distinct files (by bytes), joined by name."""
    parent = {}

    def find(x):
        while parent.setdefault(x, x) != x:
            parent[x] = parent[parent[x]]
            x = parent[x]
        return x

    def union(a, b):
        parent[find(a)] = find(b)

    by_pixels = {}
    for p in paths:
        try:
            with Image.open(p) as im:
                digest = hashlib.sha1(repr(im.size).encode() + im.convert("RGBA").tobytes()).hexdigest()
        except Exception:
            continue
        name = "name:" + os.path.splitext(os.path.basename(p))[0]
        union(name, "pixels:" + digest)
        by_pixels.setdefault(digest, p)
    groups = defaultdict(list)
    for digest, p in by_pixels.items():
        groups[find("pixels:" + digest)].append(p)
    return [sorted(g) for _, g in sorted(groups.items())]


def over_white(path, mode="L", size=None):
    """The image at `path` over white, in `mode`; scaled to `size` (LANCZOS) first if given."""
    with Image.open(path) as im:
        im = im.convert("RGBA")
        if size is not None and im.size != size:
            im = im.resize(size, Image.LANCZOS)
        white = Image.new("RGBA", im.size, (255, 255, 255, 255))
        return Image.alpha_composite(white, im).convert(mode)


def same_picture_labels(arts):
    """For each artwork of `arts` (lists of files), the first artwork it
    shows the same picture as at some size (itself if none); see the module's text."""
    parent = list(range(len(arts)))

    def find(x):
        while parent[x] != x:
            parent[x] = parent[parent[x]]
            x = parent[x]
        return x

    by_size = defaultdict(list)  # size -> (artwork, pixels, 8 x 8 box means)
    for a, files in enumerate(arts):
        for p in files:
            try:
                im = over_white(p, "RGB")
            except Exception:
                continue
            by_size[im.size].append((a, np.asarray(im, dtype=np.int16),
                                     np.asarray(im.resize((8, 8), Image.BOX), dtype=np.int16).ravel()))
    for items in by_size.values():
        means = np.stack([m for _, _, m in items])
        for i, (a, pixels, mean) in enumerate(items):
            # Box means move no more than the pixels they average.
            for j in np.nonzero(np.abs(means[i + 1:] - mean).max(1) <= SAME_PICTURE_LEVELS)[0] + i + 1:
                b, others, _ = items[j]
                if find(a) != find(b) and np.abs(pixels - others).max() <= SAME_PICTURE_LEVELS:
                    x, y = find(a), find(b)
                    parent[max(x, y)] = min(x, y)
    return [find(a) for a in range(len(arts))]


def side(path):
    try:
        with Image.open(path) as im:
            return max(im.size)
    except Exception:
        return 0


def make_copy(original, kind, out):
    if kind in ("resize24", "resize32"):
        n = kind[-2:]
        subprocess.run(["convert", original, "-resize", f"{n}x{n}", out], check=True)
    elif kind == "lanczos48":
        with Image.open(original) as im:
            im.convert("RGBA").resize((48, 48), Image.LANCZOS).save(out)
    elif kind == "jpeg75":
        subprocess.run(["convert", original, "-background", "white", "-flatten", "-quality", "75", out],
                       check=True)
    elif kind == "blur":
        subprocess.run(["convert", original, "-blur", "0x0.6", out], check=True)
    elif kind == "colour":
        subprocess.run(["convert", original, "-channel", "R", "-evaluate", "multiply", "1.06",
                        "-channel", "B", "-evaluate", "multiply", "0.95", "+channel", out], check=True)


def write_truth(work, paths, truth):
    """WORK/list and WORK/truth, a line for each icon."""
    with open(os.path.join(work, "list"), "w") as f:
        f.writelines(p + "\n" for p in paths)
    with open(os.path.join(work, "truth"), "w") as f:
        f.writelines(t + "\n" for t in truth)


def main():
    theme, work = sys.argv[1], sys.argv[2]
    most = int(sys.argv[3]) if len(sys.argv) > 3 else 1500
    random.seed(1)
    arts = artworks(theme_pngs(theme))
    random.shuffle(arts)
    arts = arts[:most]
    label = same_picture_labels(arts)
    os.makedirs(os.path.join(work, "copies"), exist_ok=True)
    list_lines, truth_lines, copies = [], [], []
    original_number = 0
    for a, files in enumerate(arts):
        sized = [(side(p), p) for p in files]
        sized = [(s, p) for s, p in sized if s > 0]
        if not sized:
            continue
        fitting = [sp for sp in sized if sp[0] <= 256] or sized
        original = max(fitting)[1]
        for s, p in sized:
            original_number += 1
            list_lines.append(p)
            truth_lines.append(f"{label[a]}\t{original_number}\tsize")
            if p != original:
                continue
            for kind in COPY_KINDS:
                out = os.path.join(work, "copies", f"{a}-{kind}.{'jpg' if kind == 'jpeg75' else 'png'}")
                copies.append((p, kind, out))
                list_lines.append(out)
                truth_lines.append(f"{label[a]}\t{original_number}\t{kind}")
    with ThreadPoolExecutor(os.cpu_count()) as pool:
        list(pool.map(lambda c: make_copy(*c), copies))
    write_truth(work, list_lines, truth_lines)


if __name__ == "__main__":
    main()
