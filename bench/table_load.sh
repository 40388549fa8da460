#!/bin/bash
# Loading a large data set: vexlor-nearest and vexlor.read_results reading
# ROWS (default 1000000) TinyInt records as text, against reading the binary
# table that the first reading leaves beside them. The records are those of
# ICONS (default 3000) theme PNGs, repeated.
#
#   bash bench/table_load.sh [ICONS] [ROWS]
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
rows=${2:-1000000}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash bench/large_results.sh "$icons" "$rows" "$work"
touch -d '1 minute ago' "$work/data.txt"  # settled: a table is made for it
query=$(head -n 1 "$work/list")
echo "$rows records, $(du -m "$work/data.txt" | cut -f1) MB of text"

cpu() { /usr/bin/time -f "%e s wall, %U+%S s CPU, %M KB peak" "$@" > /dev/null; }
echo "vexlor-nearest -k 5, from text (writes the table):"
cpu build/vexlor-nearest -k 5 -j 1 "$work/data.txt" "$work/names" "$query"
echo "table: $(du -m "$work/data.txt.table" | cut -f1) MB"
echo "vexlor-nearest -k 5, from the table:"
cpu build/vexlor-nearest -k 5 -j 1 "$work/data.txt" "$work/names" "$query"
for dtype in uint8 float64; do
  echo "vexlor.read_results(dtype=$dtype), from the table:"
  PYTHONPATH=build/python cpu /usr/bin/python3 -c \
    "import sys, numpy, vexlor; vexlor.read_results(sys.argv[1], dtype=numpy.$dtype)" "$work/data.txt"
done
rm "$work/data.txt.table"
echo "vexlor.read_results(dtype=uint8), from text (writes the table):"
PYTHONPATH=build/python cpu /usr/bin/python3 -c \
  "import sys, numpy, vexlor; vexlor.read_results(sys.argv[1], dtype=numpy.uint8)" "$work/data.txt"
