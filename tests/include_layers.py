#!/usr/bin/python3
"""Every include of the project's own headers runs down the layers or
across its own folder, never up and never between peers; and the image
library's headers are included in its own places only.

Usage: include_layers.py SOURCE_DIR --image-library PLACE,... LAYER...

Each LAYER names a folder, or peers joined by "|" that may not use each
other, from the ground up (CMakeLists.txt declares them once). A file of a
layer may include headers of its own folder and of the layers below it.
Only the folders among PLACE may include <opencv2/...>.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
IMAGE_LIBRARY = re.compile(r'^\s*#\s*include\s+<opencv2/', re.M)


def main():
    root = pathlib.Path(sys.argv[1])
    assert sys.argv[2] == "--image-library", __doc__
    library_places = set(sys.argv[3].split(","))
    rank = {}
    for level, layer in enumerate(sys.argv[4:]):
        for folder in layer.split("|"):
            rank[folder] = level
    # Public headers are included as "vexlor/NAME.h"; the library's and the
    # programs' folders by their names, from lib/ and programs/.
    aliases = {"vexlor": "include/vexlor"}
    def place(folder):
        for base in ("", "lib/", "programs/"):
            if (root / base / folder).is_dir():
                return root / base / folder
        sys.exit(f"FAIL: no folder {folder}")
    wrong = []
    for folder, level in rank.items():
        for path in sorted(place(folder).rglob("*")):
            if path.suffix not in (".h", ".cpp") or "tests" in path.relative_to(root).parts:
                continue
            text = path.read_text(errors="replace")
            if folder not in library_places and IMAGE_LIBRARY.search(text):
                wrong.append(f"{path.relative_to(root)} includes the image library's headers, "
                             f"which only {', '.join(sorted(library_places))} may")
            for included in INCLUDE.findall(text):
                head = included.split("/")[0]
                target = aliases.get(head, head)
                if "/" not in included or target not in rank or target == folder:
                    continue  # generated tables, system headers, its own folder
                if rank[target] > level or (rank[target] == level and target != folder):
                    wrong.append(f"{path.relative_to(root)} includes {included}: "
                                 f"{target}/ does not stand below {folder}/")
    for line in wrong:
        print("FAIL:", line)
    if wrong:
        sys.exit(1)
    print(f"PASS: every include of {len(rank)} folders runs down the layers, and only "
          f"{', '.join(sorted(library_places))} include the image library")


if __name__ == "__main__":
    main()
