#!/bin/bash
# Speed of the distortion options and of JPEG icons against plain PNG runs,
# on real icons (every third PNG of Debian's adwaita, oxygen and tango
# themes, and the same icons saved as JPEG at the library's default quality
# 95), page cache warm, all in one run; medians of three.
#
#   bash bench/options_and_jpeg.sh [ICONS] [LOOP_ICONS]
#
# (1) one vexlor -A 1 run per icon over LOOP_ICONS (default 100) icons:
#     plain PNG, PNG with -B 2 -cR 0.8, and the JPEG twins;
# (2) vexlor-batch -j 1 over ICONS (default 3000) icons: plain, with
#     --blur 2 --red 0.8, the JPEG twins, plain with --background white, and
#     the same icons already flattened over white (RGB PNGs): (2d) against
#     (2e) is the option's own cost, decoding alpha and compositing, for the
#     same pictures measured. (2d) against (2a) also counts measuring what
#     the icons show: a symbolic icon is one flat colour shaped by its alpha,
#     measured without the option as a blank square.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
loop_icons=${2:-100}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort | awk -v n="$icons" 'NR % 3 == 1 && ++k <= n' > "$work/png-list"
/usr/bin/python3 bench/jpeg_copies.py "$work/png-list" "$work/jpeg" > "$work/jpeg-list"
/usr/bin/python3 bench/jpeg_copies.py "$work/png-list" "$work/flat" --over-white --png \
  > "$work/flat-list"
icons=$(wc -l < "$work/jpeg-list")
step=$((icons / loop_icons > 0 ? icons / loop_icons : 1))
awk -v s="$step" -v n="$loop_icons" 'NR % s == 0 && ++k <= n' "$work/png-list" > "$work/png-loop"
awk -v s="$step" -v n="$loop_icons" 'NR % s == 0 && ++k <= n' "$work/jpeg-list" > "$work/jpeg-loop"
loop_icons=$(wc -l < "$work/png-loop")
cat "$work/png-list" "$work/jpeg-list" "$work/flat-list" | xargs cat > /dev/null  # page cache

seconds() { local s e; s=$(date +%s.%N); "$@" > /dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
median3() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
runs() {  # LIST OPTIONS...: one vexlor run per icon of LIST
  local list=$1; shift
  while IFS= read -r icon; do build/vexlor -I "$icon" -A 1 -R "$work/loop.txt" "$@"; done < "$list"
}
batch() { build/vexlor-batch -q -j 1 -o /dev/null "$@"; }

declare -a p d j bp bd bj bw bf
for i in 0 1 2; do
  p[i]=$(seconds runs "$work/png-loop")
  d[i]=$(seconds runs "$work/png-loop" -B 2 -cR 0.8)
  j[i]=$(seconds runs "$work/jpeg-loop")
  bp[i]=$(seconds batch "$work/png-list")
  bd[i]=$(seconds batch --blur 2 --red 0.8 "$work/png-list")
  bj[i]=$(seconds batch "$work/jpeg-list")
  bw[i]=$(seconds batch --background white "$work/png-list")
  bf[i]=$(seconds batch "$work/flat-list")
done
p=$(median3 "${p[@]}"); d=$(median3 "${d[@]}"); j=$(median3 "${j[@]}")
bp=$(median3 "${bp[@]}"); bd=$(median3 "${bd[@]}"); bj=$(median3 "${bj[@]}")
bw=$(median3 "${bw[@]}"); bf=$(median3 "${bf[@]}")

ms() { echo "scale=2; $1 * 1000 / $2" | bc -l; }
us() { echo "scale=1; $1 * 1000000 / $2" | bc -l; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }
echo "real icons: $icons PNGs and their JPEG twins in the batch, $loop_icons in the loops, cores: $(nproc)"
printf "%-46s %10s\n" "" "per icon"
printf "%-46s %7s ms\n" "(1a) one vexlor -A 1 run, PNG" "$(ms "$p" "$loop_icons")"
printf "%-46s %7s ms\n" "(1b) the same with -B 2 -cR 0.8" "$(ms "$d" "$loop_icons")"
printf "%-46s %7s ms\n" "(1c) the same icons as JPEG" "$(ms "$j" "$loop_icons")"
printf "%-46s %7s us\n" "(2a) vexlor-batch -j 1, PNG" "$(us "$bp" "$icons")"
printf "%-46s %7s us\n" "(2b) the same with --blur 2 --red 0.8" "$(us "$bd" "$icons")"
printf "%-46s %7s us\n" "(2c) the same icons as JPEG" "$(us "$bj" "$icons")"
printf "%-46s %7s us\n" "(2d) (2a) with --background white" "$(us "$bw" "$icons")"
printf "%-46s %7s us\n" "(2e) the same icons flattened over white" "$(us "$bf" "$icons")"
echo "(1b)/(1a) = $(ratio "$d" "$p") (target <= 1.5), (1b) = $(ms "$d" "$loop_icons") ms (target <= 5)," \
     "(1c)/(1a) = $(ratio "$j" "$p") (target <= 1.5)"
echo "(2b)/(2a) = $(ratio "$bd" "$bp") (target <= 1.3), (2c)/(2a) = $(ratio "$bj" "$bp") (target <= 1.5)," \
     "(2d)/(2e) = $(ratio "$bw" "$bf") (target <= 1.05), (2d)/(2a) = $(ratio "$bw" "$bp")"
# Instructions, which do not vary with the machine's load: the option's own
# cost over the first 300 icons, (2d) against (2e).
head -n 300 "$work/png-list" > "$work/png-300"
head -n 300 "$work/flat-list" > "$work/flat-300"
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null build/vexlor-batch -q -j 1 -o /dev/null "$@" 2>&1 |
    awk '/refs:/ { gsub(",", "", $NF); print $NF }'
}
iw=$(instructions --background white "$work/png-300")
if=$(instructions "$work/flat-300")
echo "instructions over 300 icons: (2d) $iw, (2e) $if, (2d)/(2e) = $(echo "scale=4; $iw / $if" | bc -l)"
