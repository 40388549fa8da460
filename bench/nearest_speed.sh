#!/bin/bash
# Speed and memory of the nearest-record search: the TinyInt records of
# ICONS (default 3000) PNGs of Debian's adwaita, oxygen and tango themes,
# repeated to ROWS (default 100000).
#
#   bash bench/nearest_speed.sh [ICONS] [ROWS]
#
# (1) time per query on one thread, data already in memory, k 5, each metric
#     (root also: the time to transform the table once);
# (2) peak memory of vexlor-nearest loading ROWS records with their names and
#     answering one query.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
rows=${2:-100000}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort | awk -v n="$icons" 'NR <= n' > "$work/names"
build/vexlor-batch -q -o "$work/data" "$work/names"
build/bench/vexlor_nearest_speed "$work/data" "$rows"

repeat() { awk -v n="$rows" '{ line[NR] = $0 } END { for (i = 0; i < n; ++i) print line[i % NR + 1] }' "$1"; }
repeat "$work/data" > "$work/data.big"
repeat "$work/names" > "$work/names.big"
awk 'NR == 1' "$work/data" > "$work/query"
peak() {
  /usr/bin/time -f "%M" -o "$work/rss" build/vexlor-nearest -j 1 --metric "$3" "$1" "$2" \
    --records "$work/query" > /dev/null
  tail -n 1 "$work/rss"
}
awk 'NR == 1' "$work/names" > "$work/names.one"
name_bytes=$(wc -c < "$work/names.big")
for metric in l1 root; do
  base=$(peak "$work/query" "$work/names.one" "$metric")
  big=$(peak "$work/data.big" "$work/names.big" "$metric")
  echo "vexlor-nearest --metric $metric over $rows records (names $((name_bytes / rows)) bytes" \
       "each): peak $big kB, $(( (big - base) * 1024 / rows )) bytes a record above the" \
       "$base kB of one record"
done
