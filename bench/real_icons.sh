#!/bin/bash
# Speed on real icons: the PNGs of Debian's adwaita, oxygen and tango icon
# themes, page cache warm, all in one run.
#
#   bash bench/real_icons.sh [ICONS] [LOOP_ICONS]
#
# (1) one vexlor run per icon over LOOP_ICONS (default 100) icons, against a
#     minimal program that decodes the same PNG with libpng and resizes it
#     to 62 x 62 (core and imgproc only);
# (2) vexlor-batch -j 1 and on all cores over ICONS (default 6000) icons,
#     against decoding alone (cv::imread, one thread), with peak memory;
# (3) how much more pure computation two processes get done than one.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-6000}
loop_icons=${2:-100}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort | awk -v n="$icons" 'NR % 3 == 1' | head -n "$icons" > "$work/list"
icons=$(wc -l < "$work/list")
awk -v step=$((icons / loop_icons > 0 ? icons / loop_icons : 1)) 'NR % step == 0' "$work/list" |
  head -n "$loop_icons" > "$work/loop-list"
loop_icons=$(wc -l < "$work/loop-list")
xargs cat < "$work/list" > /dev/null  # page cache

seconds() { local s e; s=$(date +%s.%N); "$@" > /dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
min() { if (( $(echo "$1 < $2" | bc -l) )); then echo "$1"; else echo "$2"; fi; }

vexlor_loop() { while IFS= read -r icon; do build/vexlor -I "$icon" -A 1 -R "$work/loop.txt"; done < "$work/loop-list"; }
floor_loop() { while IFS= read -r icon; do build/bench/vexlor_decode_resize_once "$icon" || true; done < "$work/loop-list"; }
v=999; f=999
for _ in 1 2 3; do
  rm -f "$work/loop.txt"
  v=$(min "$v" "$(seconds vexlor_loop)")
  f=$(min "$f" "$(seconds floor_loop)")
done
# The same two programs without the shell loop around them, on one icon.
one=$(sed -n "$((loop_icons / 2 + 1))p" "$work/loop-list")
hyperfine -N -w 5 -r 50 --export-json "$work/one.json" \
  "build/vexlor -I $one -R $work/one.txt -A 1" "build/bench/vexlor_decode_resize_once $one" > /dev/null
read -r hv hf < <(python3 -c "import json,sys; r=json.load(open('$work/one.json'))['results']; print(*(x['mean'] for x in r))")
build/vexlor-batch -q -j 1 "$work/loop-list" | cmp -s - "$work/loop.txt" ||
  { echo "MISMATCH between vexlor-batch and the vexlor loop"; exit 1; }

# Runs a command, prints "<seconds> <peak kB>".
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$work/rss" "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc -l) $(tail -n 1 "$work/rss")"
}
split -n l/2 "$work/list" "$work/half."
two_halves() {
  build/vexlor-batch -q -j 1 -o /dev/null "$work/half.aa" &
  build/vexlor-batch -q -j 1 -o /dev/null "$work/half.ab"
  wait
}
a_s=999; c_s=999; b_s=999; d_s=999
for _ in 1 2 3; do
  read -r s a_kb < <(measure build/vexlor-batch -q -j 1 -o /dev/null "$work/list"); a_s=$(min "$a_s" "$s")
  read -r s b_kb < <(measure build/vexlor-batch -q -j 2 -o /dev/null "$work/list"); b_s=$(min "$b_s" "$s")
  read -r s c_kb < <(measure build/bench/vexlor_decode_floor "$work/list"); c_s=$(min "$c_s" "$s")
  d_s=$(min "$d_s" "$(seconds two_halves)")
done

# What a second core gives pure computation on this machine: one busy loop
# alone against two at once (2.0 on two real cores).
spin() { python3 -c 'sum(i * i for i in range(30_000_000))'; }
two_spins() { spin & spin; wait; }
spin_one=$(seconds spin); spin_two=$(seconds two_spins)

ms() { echo "scale=2; $1 * 1000 / $2" | bc -l; }
us() { echo "scale=1; $1 * 1000000 / $2" | bc -l; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }
echo "real icons: $icons in the batch, $loop_icons in the loops (adwaita, oxygen, tango), cores: $(nproc)"
printf "%-44s %12s %10s\n" "" "per icon" "peak kB"
printf "%-44s %9s ms %10s\n" "(1a) one vexlor -A 1 per icon" "$(ms "$v" "$loop_icons")" "-"
printf "%-44s %9s ms %10s\n" "(1b) one decode+resize program per icon" "$(ms "$f" "$loop_icons")" "-"
printf "%-44s %9s ms %10s\n" "(1c) one vexlor run, no shell loop" "$(ms "$hv" 1)" "-"
printf "%-44s %9s ms %10s\n" "(1d) one decode+resize run, no shell loop" "$(ms "$hf" 1)" "-"
printf "%-44s %9s us %10s\n" "(2a) vexlor-batch -j 1" "$(us "$a_s" "$icons")" "$a_kb"
printf "%-44s %9s us %10s\n" "(2b) vexlor-batch -j 2" "$(us "$b_s" "$icons")" "$b_kb"
printf "%-44s %9s us %10s\n" "(2c) decoding alone (cv::imread, one thread)" "$(us "$c_s" "$icons")" "$c_kb"
printf "%-44s %9s us %10s\n" "(2d) two vexlor-batch -j 1, half the list each" "$(us "$d_s" "$icons")" "-"
echo "(1a) per icon: $(ms "$v" "$loop_icons") ms (target <= 15), (1a)/(1b) = $(ratio "$v" "$f") (target <= 2), (1c)/(1d) = $(ratio "$hv" "$hf")"
echo "(2a)/(2c) = $(ratio "$a_s" "$c_s") (target <= 1.25), (2a)/(2b) = $(ratio "$a_s" "$b_s")"
echo "(2a)/(2d) = $(ratio "$a_s" "$d_s"): what two independent processes gain on this machine;" \
     "(2d)/(2b) = $(ratio "$d_s" "$b_s"): -j 2 against them (target >= 0.95)"
echo "(3) two busy loops at once against one: $(ratio "$(echo "2 * $spin_one" | bc -l)" "$spin_two") times the work per second (2.00 on two real cores)"
