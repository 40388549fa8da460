#!/bin/bash
# Measures vexlor-batch against the cost of decoding alone and against one
# vexlor process per icon, over the same generated icon set, in one run.
#
#   bash bench/run_benchmark.sh [ICONS] [LOOP_ICONS]
#
# ICONS (default 20000) icons are made from the test icons in tests/data at
# the sizes icon themes ship (16..256 pixels, PNG and some JPEG); the loop of
# single vexlor runs takes the first LOOP_ICONS (default 200) of them.
# Prints icons per second, the ratios the project tracks, and peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-20000}
loop_icons=${2:-200}

bash scripts/install-deps.sh bench
bash scripts/build.sh build >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build/bench/vexlor_make_icons tests/data "$work/icons" "$icons" > "$work/list"
head -n "$loop_icons" "$work/list" > "$work/loop-list"

# Runs a command, prints "<seconds> <peak kB>".
measure() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$work/rss" "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc -l) $(cat "$work/rss")"
}

loop() {
  while IFS= read -r icon; do
    build/vexlor -I "$icon" -A 1 -R "$work/loop-results.txt"
  done < "$work/loop-list"
}
export -f loop 2>/dev/null || true

# Warm the page cache so that every contender reads the files from memory.
cat "$work"/icons/* > /dev/null

read -r a_s a_kb < <(measure build/vexlor-batch -q -j 1 -o /dev/null "$work/list")
read -r b_s b_kb < <(measure build/vexlor-batch -q -o /dev/null "$work/list")
read -r c_s c_kb < <(measure build/bench/vexlor_decode_floor "$work/list")
start=$(date +%s.%N); loop; end=$(date +%s.%N)
d_s=$(echo "$end - $start" | bc -l)

# The batch outputs must be the records of the loop for the same icons.
build/vexlor-batch -q -j 1 "$work/loop-list" > "$work/batch-loop.txt"
cmp -s "$work/batch-loop.txt" "$work/loop-results.txt" || { echo "MISMATCH between vexlor-batch and the vexlor loop"; exit 1; }

rate() { echo "scale=0; $1 / $2" | bc -l; }
per_icon_us() { echo "scale=1; $1 * 1000000 / $2" | bc -l; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }
a_us=$(per_icon_us "$a_s" "$icons"); b_us=$(per_icon_us "$b_s" "$icons")
c_us=$(per_icon_us "$c_s" "$icons"); d_us=$(per_icon_us "$d_s" "$loop_icons")

echo "icons: $icons (loop: $loop_icons), cores: $(nproc)"
printf "%-34s %10s %12s %12s\n" "" "icons/s" "us/icon" "peak kB"
printf "%-34s %10s %12s %12s\n" "(a) vexlor-batch -j 1" "$(rate "$icons" "$a_s")" "$a_us" "$a_kb"
printf "%-34s %10s %12s %12s\n" "(b) vexlor-batch, all cores" "$(rate "$icons" "$b_s")" "$b_us" "$b_kb"
printf "%-34s %10s %12s %12s\n" "(c) decode only (cv::imread)" "$(rate "$icons" "$c_s")" "$c_us" "$c_kb"
printf "%-34s %10s %12s %12s\n" "(d) one vexlor -A 1 per icon" "$(rate "$loop_icons" "$d_s")" "$d_us" "-"
echo "(a)/(c) per icon: $(ratio "$a_us" "$c_us")   (target <= 1.5)"
echo "(b) speed-up over (a): $(ratio "$a_us" "$b_us")   (target >= 1.7 on 2 cores)"
echo "(d)/(a) per icon: $(ratio "$d_us" "$a_us")"
