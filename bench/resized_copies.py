#!/usr/bin/python3
"""Saves each icon of a list resized to SIDE x SIDE, as PNG with its alpha.

Usage: resized_copies.py LIST FOLDER SIDE magick|pillow
Prints one copy's path per icon, in order (a path whose icon cannot be read
is printed all the same, so that it stays a Bad Icon in its place). magick:
ImageMagick's `convert ICON -resize SIDExSIDE`, two processes at a time;
pillow: Pillow's Image.resize with LANCZOS, in RGBA.
"""
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor


def magick(source, out, side):
    subprocess.run(["convert", source, "-resize", f"{side}x{side}", out],
                   stderr=subprocess.DEVNULL, check=False)


def pillow(source, out, side):
    from PIL import Image
    try:
        with Image.open(source) as icon:
            icon.convert("RGBA").resize((side, side), Image.LANCZOS).save(out)
    except OSError:
        pass


def main():
    paths, folder = open(sys.argv[1]).read().split("\n")[:-1], sys.argv[2]
    side, tool = int(sys.argv[3]), {"magick": magick, "pillow": pillow}[sys.argv[4]]
    os.makedirs(folder, exist_ok=True)
    outs = [os.path.join(folder, f"{i:05d}.png") for i in range(len(paths))]
    with ThreadPoolExecutor(2 if tool is magick else 1) as pool:
        list(pool.map(lambda job: tool(job[0], job[1], side), zip(paths, outs)))
    print("\n".join(outs))


if __name__ == "__main__":
    main()
