#!/bin/bash
# vexlor-batch on a list that mixes icon sizes, as data sets do: 240 icons of
# Debian's adwaita, oxygen and tango themes of every size from 8 to 512
# pixels (a third of them 16 px symbolic icons), drawn with a fixed seed and
# repeated to LENGTH paths (default 6000); page cache warm, one run.
#
#   bash bench/mixed_sizes.sh [LENGTH] [ROUNDS]
#
# Prints -j 1 against decoding alone (cv::imread, one thread) and -j 2
# against two independent -j 1 processes over half the list each.
set -euo pipefail
cd "$(dirname "$0")/.."
length=${1:-6000}
rounds=${2:-9}

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
# The four commands take turns, round after round (the order rotating), so
# that a slow spell of a shared machine falls on all of them alike; medians.
/usr/bin/python3 - "$work" "$length" "$rounds" <<'PY'
import statistics, subprocess, sys, time
work, n, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
batch = ["build/vexlor-batch", "-q", "-j"]
commands = {
    "one": [batch + ["1", "-o", "/dev/null", f"{work}/list"]],
    "floor": [["build/bench/vexlor_decode_floor", f"{work}/list"]],
    "two": [batch + ["2", "-o", "/dev/null", f"{work}/list"]],
    "halves": [batch + ["1", "-o", "/dev/null", f"{work}/half.aa"],
               batch + ["1", "-o", "/dev/null", f"{work}/half.ab"]],
}
def seconds(processes):
    start = time.perf_counter()
    running = [subprocess.Popen(p, stdout=subprocess.DEVNULL) for p in processes]
    if any(p.wait() != 0 for p in running):
        sys.exit("a benchmarked command failed")
    return time.perf_counter() - start
times = {name: [] for name in commands}
names = list(commands)
for r in range(rounds + 1):
    for name in names[r % 4:] + names[:r % 4]:
        t = seconds(commands[name])
        if r > 0:  # the first round warms up
            times[name].append(t)
one, floor, two, halves = (statistics.median(times[k]) for k in names)
print(f"mixed sizes: {n} paths, {rounds} rounds; per icon: -j 1 {one / n * 1e6:.1f} us, decoding alone "
      f"{floor / n * 1e6:.1f} us, -j 2 {two / n * 1e6:.1f} us, two halves {halves / n * 1e6:.1f} us")
print(f"-j 1 / decoding alone = {one / floor:.2f} (target <= 1.1); "
      f"-j 2 against two independent halves = {halves / two:.2f} (target >= 1.0)")
PY
