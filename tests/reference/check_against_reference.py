#!/usr/bin/python3
"""Compares vexlor's records with those of the independent derivation in
vexlor_reference.py, byte for byte, for every icon in the test data folder
and several option sets, in both file modes.

Usage: check_against_reference.py VEXLOR DATA_DIR
"""
import concurrent.futures
import glob
import os
import subprocess
import sys
import tempfile

os.environ.setdefault("OPENCV_LOG_LEVEL", "ERROR")
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import vexlor_reference  # noqa: E402

# vexlor options, and the reference settings they mean.
VARIANTS = [
    ([], dict()),
    (["-TI", "0"], dict(double_form=True)),
    (["-B", "1"], dict(blur=1)),
    (["-B", "3", "-TI", "0"], dict(blur=3, double_form=True)),
]


def run_vexlor(vexlor, icon, options, append, folder):
    results = os.path.join(folder, "results.txt")
    args = [vexlor, "-I", icon, "-R", results] + options + (["-A", "1"] if append else [])
    subprocess.run(args, check=False)
    with open(results, "rb") as f:
        return f.read().decode()


def main():
    vexlor, data = sys.argv[1], sys.argv[2]
    icons = sorted(p for ext in ("png", "jpg", "bmp", "tiff", "webp")
                   for p in glob.glob(os.path.join(data, "*." + ext)))
    icons.append(os.path.join(data, "missing.png"))
    cases = [(icon, options, settings, append)
             for icon in icons for options, settings in VARIANTS for append in (False, True)]

    def check(case):
        icon, options, settings, append = case
        expected = vexlor_reference.record(icon, **settings) + ("\n" if append else "")
        with tempfile.TemporaryDirectory() as folder:
            got = run_vexlor(vexlor, icon, options, append, folder)
        return case, got == expected

    failures = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count()) as pool:
        for (icon, options, _, append), same in pool.map(check, cases):
            if not same:
                failures += 1
                print("DIFFERENT:", os.path.basename(icon), " ".join(options),
                      "append" if append else "overwrite")
    print(f"{len(cases)} records compared, {failures} different")
    return 0 if failures == 0 and len(cases) > 50 else 1


if __name__ == "__main__":
    sys.exit(main())
