#!/bin/bash
# How robust is the descriptor: each icon is distorted with vexlor's own
# options and searched for among the undistorted records of all icons.
# Top-1 and top-5 retrieval per distortion and metric; distinct icons whose
# records are identical count as found.
#
#   bash bench/robustness.sh [ICONS] [--double]
#
# ICONS (default 3000) PNGs of Debian's adwaita, oxygen and tango icon
# themes, spread evenly over the sorted list; TinyInt records unless --double.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
form=${2:-}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort > "$work/all"
awk -v n="$icons" -v total="$(wc -l < "$work/all")" \
  'BEGIN { step = total / n } NR - 1 >= next_pick { print; next_pick += step }' "$work/all" |
  head -n "$icons" > "$work/names"

build/vexlor-batch -q $form -o "$work/original.txt" "$work/names"
distortions=("--blur 1" "--blur 2" "--blur 3" "--red 0.8" "--red 1.2" "--green 0.8"
             "--blue 1.2" "--red 0.8 --green 0.8 --blue 0.8")
for i in "${!distortions[@]}"; do
  # shellcheck disable=SC2086  # the options split into words on purpose
  build/vexlor-batch -q $form ${distortions[$i]} -o "$work/distorted.$i.txt" "$work/names"
  for metric in l1 l2 weighted; do
    build/vexlor-nearest -k 5 --metric "$metric" "$work/original.txt" "$work/names" \
      --records "$work/distorted.$i.txt" > "$work/found.$i.$metric" || true
  done
done

/usr/bin/python3 - "$work" "${#distortions[@]}" "${form:-TinyInt}" "${distortions[@]}" <<'PY'
import sys
work, count, form = sys.argv[1], int(sys.argv[2]), sys.argv[3].lstrip("-")
distortions = sys.argv[4:]
names = open(f"{work}/names").read().splitlines()
original = open(f"{work}/original.txt").read().splitlines()
record_of = dict(zip(names, original))
metrics = ["l1", "l2", "weighted"]
print(f"{len(names)} icons, {form} records; top-1 / top-5 in %\n")
print("| distortion | " + " | ".join(metrics) + " |")
print("|---|" + "---|" * len(metrics))
totals = {m: [0, 0] for m in metrics}
for i, distortion in enumerate(distortions):
    distorted = open(f"{work}/distorted.{i}.txt").read().splitlines()
    asked = [q for q in range(len(names)) if original[q] != "Bad Icon" and distorted[q] != "Bad Icon"]
    cells = []
    for m in metrics:
        ranks = {}
        for line in open(f"{work}/found.{i}.{m}"):
            q, rank, _, name = line.rstrip("\n").split("\t", 3)
            q = int(q) - 1
            if q not in ranks and record_of[name] == original[q]:
                ranks[q] = int(rank)
        top1 = sum(ranks.get(q) == 1 for q in asked) / len(asked)
        top5 = sum(q in ranks for q in asked) / len(asked)
        totals[m][0] += top1
        totals[m][1] += top5
        cells.append(f"{100 * top1:.1f} / {100 * top5:.1f}")
    print(f"| {distortion} | " + " | ".join(cells) + " |")
print("| mean | " + " | ".join(f"{100 * t1 / count:.1f} / {100 * t5 / count:.1f}"
                                  for t1, t5 in totals.values()) + " |")
PY
