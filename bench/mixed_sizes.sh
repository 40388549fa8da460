#!/bin/bash
# vexlor-batch on a list that mixes icon sizes, as data sets do: 240 icons of
# Debian's adwaita, oxygen and tango themes of every size from 8 to 512
# pixels (a third of them 16 px symbolic icons), drawn with a fixed seed and
# repeated to LENGTH paths (default 6000); page cache warm, one run.
#
#   bash bench/mixed_sizes.sh [LENGTH]
#
# Prints -j 1 against decoding alone (cv::imread, one thread) and -j 2
# against two independent -j 1 processes over half the list each (medians
# of five by hyperfine).
set -euo pipefail
cd "$(dirname "$0")/.."
length=${1:-6000}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$length" > "$work/list" <<'PY'
import glob, random, re, sys
random.seed(7)
by_side = {}
for path in sorted(glob.glob("/usr/share/icons/Adwaita/*/*/*.png") +
                   glob.glob("/usr/share/icons/oxygen/base/*/*/*.png") +
                   glob.glob("/usr/share/icons/Tango/*/*/*.png")):
    m = re.search(r"/([0-9]+)x[0-9]+/", path)
    if m:
        by_side.setdefault(int(m[1]), []).append(path)
symbolic = [p for p in by_side.get(16, []) if "symbolic" in p]
picks = random.sample(symbolic, 80)
others = [p for side in sorted(by_side) for p in by_side[side] if p not in picks]
picks += random.sample(others, 160)
random.shuffle(picks)
print("\n".join((picks * (int(sys.argv[1]) // len(picks) + 1))[:int(sys.argv[1])]))
PY
split -n l/2 "$work/list" "$work/half."
sort -u "$work/list" | xargs cat > /dev/null  # page cache
hyperfine -N -w 1 -r 5 --export-json "$work/times.json" \
  "build/vexlor-batch -q -j 1 -o /dev/null $work/list" \
  "build/bench/vexlor_decode_floor $work/list" \
  "build/vexlor-batch -q -j 2 -o /dev/null $work/list" \
  "bash -c 'build/vexlor-batch -q -j 1 -o /dev/null $work/half.aa & build/vexlor-batch -q -j 1 -o /dev/null $work/half.ab; wait'" \
  > /dev/null
/usr/bin/python3 - "$work/times.json" "$length" <<'PY'
import json, sys
one, floor, two, halves = (r["median"] for r in json.load(open(sys.argv[1]))["results"])
n = int(sys.argv[2])
print(f"mixed sizes: {n} paths; per icon: -j 1 {one / n * 1e6:.1f} us, decoding alone "
      f"{floor / n * 1e6:.1f} us, -j 2 {two / n * 1e6:.1f} us, two halves {halves / n * 1e6:.1f} us")
print(f"-j 1 / decoding alone = {one / floor:.2f} (target <= 1.1); "
      f"-j 2 against two independent halves = {halves / two:.2f} (target >= 1.0)")
PY
