#!/bin/bash
# Speed of SVG icons against their PNG renderings, on real icons: Adwaita's
# scalable SVGs and Debian's breeze icon theme, page cache warm, one run.
#
#   bash bench/svg_speed.sh [ICONS] [LOOP_ICONS]
#
# (1) CPU time (user + system, the renderer process's included) of
#     vexlor-batch -j 1 over ICONS (default 3000) SVGs, against the floor:
#     librsvg and cairo alone rendering the same SVGs on one thread
#     (build/bench/vexlor_svg_render_floor) plus vexlor-batch -j 1 measuring
#     their rsvg-convert PNGs; medians of six rounds in which the commands
#     take turns, each round's on one processor (bench/cpu_rounds.py).
#     (2) one vexlor run per icon over LOOP_ICONS (default 100) SVGs
#     against plain PNG icons of the themes (medians of three). Every
#     SVG's record is also checked against its PNG's.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
loop_icons=${2:-100}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita/scalable /usr/share/icons/breeze -name '*.svg' | sort |
  awk -v n="$icons" -v total="$(find /usr/share/icons/Adwaita/scalable /usr/share/icons/breeze -name '*.svg' | wc -l)" \
    'BEGIN { step = total > n ? total / n : 1 } NR - 1 >= next_pick && ++k <= n { print; next_pick += step }' \
  > "$work/svg-list"
icons=$(wc -l < "$work/svg-list")
awk -v w="$work" '{ printf "%s\t%s/%05d.png\n", $0, w, NR }' "$work/svg-list" > "$work/pairs"
parallel -j "$(nproc)" --colsep '\t' 'rsvg-convert {1} > {2}' < "$work/pairs"
cut -f2 "$work/pairs" > "$work/png-list"
find /usr/share/icons/Adwaita /usr/share/icons/oxygen -name '*.png' | sort |
  awk -v n="$loop_icons" 'NR % 7 == 1 && ++k <= n' > "$work/plain-loop"
awk -v s=$((icons / loop_icons > 0 ? icons / loop_icons : 1)) -v n="$loop_icons" \
  'NR % s == 0 && ++k <= n' "$work/svg-list" > "$work/svg-loop"
cat "$work/svg-list" "$work/png-list" "$work/plain-loop" | xargs cat > /dev/null  # page cache

build/vexlor-batch -q -o "$work/svg.txt" "$work/svg-list"
build/vexlor-batch -q -o "$work/png.txt" "$work/png-list"
cmp -s "$work/svg.txt" "$work/png.txt" || { echo "MISMATCH between SVG and rsvg-convert PNG records"; exit 1; }

/usr/bin/python3 - "$work" <<'PY'
import sys
sys.path.insert(0, "bench")
from cpu_rounds import median_cpu_seconds
work = sys.argv[1]
batch = ["build/vexlor-batch", "-q", "-j", "1", "-o", "/dev/null"]
median = median_cpu_seconds(
    {"svg": batch + [f"{work}/svg-list"], "png": batch + [f"{work}/png-list"],
     "librsvg": ["build/bench/vexlor_svg_render_floor", f"{work}/svg-list"]}, 6, one_processor=True)
svg, png, librsvg = median["svg"], median["png"], median["librsvg"]
n = sum(1 for _ in open(f"{work}/svg-list"))
us = lambda t: f"{t / n * 1e6:8.1f} us"
print(f"SVG icons: {n} (Adwaita scalable, breeze), every record equal to its rsvg-convert PNG's")
print(f"CPU per icon: (1a) vexlor-batch -j 1, SVG {us(svg)}; (1b) the same over their PNGs {us(png)};"
      f" (1c) librsvg alone {us(librsvg)}")
print(f"(1a) / ((1c) + (1b)) = {svg / (librsvg + png):.2f} (target <= 1.15)")
PY

seconds() { local s e; s=$(date +%s.%N); "$@" > /dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
median3() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
runs() { while IFS= read -r icon; do build/vexlor -I "$icon" -A 1 -R "$work/loop.txt"; done < "$1"; }
declare -a l q
for i in 0 1 2; do
  l[i]=$(seconds runs "$work/svg-loop")
  q[i]=$(seconds runs "$work/plain-loop")
done
l=$(median3 "${l[@]}"); q=$(median3 "${q[@]}")
loops=$(wc -l < "$work/svg-loop")
ms() { echo "scale=2; $1 * 1000 / $2" | bc -l; }
printf "%-48s %8s ms\n" "(2a) one vexlor run per SVG icon" "$(ms "$l" "$loops")"
printf "%-48s %8s ms\n" "(2b) one vexlor run per plain PNG icon" "$(ms "$q" "$loops")"
echo "(2a)/(2b) = $(echo "scale=2; $l / $q" | bc -l) (target <= 3)"
