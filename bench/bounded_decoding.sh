#!/bin/bash
# Decoding stays bounded: images beyond the pixel limit, JPEG scan bombs and
# progressive JPEGs whose coefficients would not fit are refused quickly, in
# little memory, and a batch that meets them keeps a flat peak memory.
#
#   bash bench/bounded_decoding.sh [LIST_LENGTH]
#
# Makes a 20000 x 20000 PNG, a JPEG claiming 32000 x 32000 pixels, a
# progressive JPEG of 20,000 empty scans over 4096 x 4096 pixels and a
# progressive one claiming 8192 x 8192, times one vexlor run on each, then
# runs vexlor-batch (-j 1 and all cores) over a list of LIST_LENGTH (default
# 2000) lines: the test icons with a bomb every 20 lines. Prints seconds and
# peak memory of each; the peak of one worker must stay near one image at the
# pixel limit (192 MB), whatever the bombs.
set -euo pipefail
cd "$(dirname "$0")/.."
length=${1:-2000}

bash scripts/install-deps.sh bench
bash scripts/build.sh build >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 -c "import cv2, sys; cv2.imwrite(sys.argv[1], cv2.resize(cv2.imread(sys.argv[2]), (16, 16)), [cv2.IMWRITE_JPEG_PROGRESSIVE, 1])" \
  "$work/small-progressive.jpg" tests/data/audio-card.png
/usr/bin/python3 bench/make_bombs.py "$work" tests/data/audio-card.jpg "$work/small-progressive.jpg"
bombs=(bomb-20000.png bomb-32000.jpg scans-20000.jpg progressive-8192.jpg)
for bomb in "${bombs[@]}"; do ls -l "$work/$bomb"; done | awk '{print $5, $9}'

# Runs a command, prints "<seconds> <peak MB>".
measure() {
  /usr/bin/time -f "%e %M" -o "$work/usage" "$@" > /dev/null 2>&1 || true
  # time(1) puts a line about a non-zero exit status first.
  tail -n 1 "$work/usage" | awk '{printf "%.2f s %6.1f MB\n", $1, $2 / 1024}' 
}

for bomb in "${bombs[@]}"; do
  printf "%-34s %s\n" "vexlor -I $bomb" "$(measure build/vexlor -I "$work/$bomb" -R "$work/r.txt")"
  [ "$(cat "$work/r.txt")" = "Bad Icon" ] || { echo "$bomb was not refused"; exit 1; }
done

icons=(tests/data/*.png tests/data/*.jpg tests/data/*.bmp tests/data/*.tiff tests/data/*.webp)
for ((i = 0; i < length; ++i)); do
  if ((i % 20 == 19)); then
    echo "$work/${bombs[(i / 20) % ${#bombs[@]}]}"
  else
    echo "${icons[i % ${#icons[@]}]}"
  fi
done > "$work/list"

printf "%-34s %s\n" "vexlor-batch -j 1, $length lines" "$(measure build/vexlor-batch -q -j 1 -o "$work/out1" "$work/list")"
printf "%-34s %s\n" "vexlor-batch, all cores" "$(measure build/vexlor-batch -q -o "$work/out2" "$work/list")"
cmp -s "$work/out1" "$work/out2" || { echo "MISMATCH between -j 1 and all cores"; exit 1; }
echo "Bad Icon lines: $(grep -c '^Bad Icon$' "$work/out1") of $length"
