#!/bin/bash
# The index against exact search (root metric, k 5) at 100,000 records and
# at ROWS (default 1000000): distinct records of the PNG icons of Debian's
# Adwaita, Tango, oxygen, Yaru and hicolor themes over white, each under
# some of 32 distortions (blur 0-3 by eight colour shifts), as a data set of
# icons and their variants is; queried with QUERIES (default 1000) of the
# icons under a distortion the data does not hold. Prints the CPU of
# building, keeping and loading the index and of a query through it against
# an exact query, its bytes a record, recall@1 and @5 against exact search,
# and what vexlor-nearest's choice between them rests on (vexlor_index_search).
# Then vexlor-nearest itself over the ROWS records, one query and QUERIES
# queries, with and without the index.
#
#   bash bench/index_search.sh [ROWS] [QUERIES]
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-1000000}
queries=${2:-1000}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita /usr/share/icons/Tango /usr/share/icons/oxygen /usr/share/icons/Yaru* \
  /usr/share/icons/hicolor -name '*.png' | sort > "$work/all"
icons=$(wc -l < "$work/all")
colours=("" "--red 0.9" "--green 0.9" "--blue 0.9" "--red 1.1 --blue 0.95" "--green 1.08"
         "--red 0.95 --green 0.95" "--blue 1.1 --green 0.97")
settings=()
for blur in 0 1 2 3; do
  for colour in "${colours[@]}"; do settings+=("--blur $blur $colour"); done
done
# Each setting over a different share of the icons, so that ROWS records
# come out of the 32 settings whatever the number of icons.
per=$(( (rows + ${#settings[@]} - 1) / ${#settings[@]} ))
: > "$work/data.txt"
: > "$work/names"
i=0
for setting in "${settings[@]}"; do
  awk -v n="$icons" -v per="$per" -v s="$i" 'BEGIN { srand(s + 1) } rand() * n < per && ++k <= per' \
    "$work/all" > "$work/list"
  # shellcheck disable=SC2086
  build/vexlor-batch -q --background white $setting "$work/list" >> "$work/data.txt"
  cat "$work/list" >> "$work/names"
  i=$((i + 1))
done
awk -v n="$rows" 'NR <= n' "$work/data.txt" > "$work/data" && mv "$work/data" "$work/data.txt"
awk 'NR % 10 == 1' "$work/data.txt" > "$work/data-100k.txt"
awk -v n="$icons" -v q="$queries" 'BEGIN { srand(99) } rand() * n < q && ++k <= q' "$work/all" \
  > "$work/query-list"
build/vexlor-batch -q --background white --blur 1 --red 0.96 --green 1.03 "$work/query-list" \
  > "$work/queries.txt"
touch -d '1 minute ago' "$work/data.txt" "$work/data-100k.txt"  # settled: an index is kept for it

for data in data-100k.txt data.txt; do
  echo "== $data"
  build/bench/vexlor_index_search "$work/$data" "$work/queries.txt" "$(nproc)"
done

echo "== vexlor-nearest over $(wc -l < "$work/data.txt") records (index kept), -j 1"
awk -v n="$rows" 'NR <= n' "$work/names" > "$work/names.rows"
awk 'NR == 1' "$work/queries.txt" > "$work/one-query.txt"
cpu() { /usr/bin/time -f "%e s wall, %U+%S s CPU, %M KB peak" "$@" > /dev/null; }
for q in one-query.txt queries.txt; do
  for index in never always; do
    echo "--index $index, $(wc -l < "$work/$q") queries:"
    cpu build/vexlor-nearest -j 1 --index "$index" "$work/data.txt" "$work/names.rows" --records "$work/$q"
  done
done
