#!/bin/bash
# vexlor-batch as a plain line filter under GNU parallel: a list split into
# chunks over several workers (here all local) gives the same bytes as one
# vexlor-batch run over the whole list.
# Usage: batch_parallel_test.sh VEXLOR_BATCH DATA_DIR
set -euo pipefail
batch=$1 data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for i in $(seq 1 40); do
  for icon in "$data"/*.png "$data"/*.jpg "$data/missing-$i.png"; do echo "$icon"; done
done > "$work/list"
lines=$(wc -l < "$work/list")

"$batch" -q "$work/list" > "$work/whole"
parallel --will-cite --pipe -k -N 37 -j 4 "$batch" -q -j 1 < "$work/list" > "$work/chunked"
# The same over ssh-style workers: each job gets its chunk on standard input.
parallel --will-cite --pipe -k --block 2k -j 3 "$batch" -q - < "$work/list" > "$work/blocks"

[ "$(wc -l < "$work/whole")" -eq "$lines" ] || { echo "FAIL: $lines paths, $(wc -l < "$work/whole") lines"; exit 1; }
cmp "$work/whole" "$work/chunked" || { echo "FAIL: -N chunks differ from one run"; exit 1; }
cmp "$work/whole" "$work/blocks" || { echo "FAIL: --block chunks differ from one run"; exit 1; }
echo "PASS: $lines paths, chunked runs identical to one run"
