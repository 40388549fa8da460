#!/bin/bash
# Reading a results file in Python: vexlor.read_results against numpy.loadtxt
# and pandas.read_csv (bench/read_results_speed.py), on the TinyInt records
# of ICONS (default 3000) theme PNGs repeated to ROWS (default 200000) lines.
#
#   bash bench/read_results_speed.sh [ICONS] [ROWS] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
rows=${2:-200000}
rounds=${3:-3}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort | sed -n "1,${icons}p" > "$work/list"
build/vexlor-batch -q --background white "$work/list" > "$work/records"
/usr/bin/python3 -c '
import itertools, sys
lines = open(sys.argv[1]).readlines()
with open(sys.argv[2], "w") as out:
    out.writelines(itertools.islice(itertools.cycle(lines), int(sys.argv[3])))
' "$work/records" "$work/data.txt" "$rows"
PYTHONPATH=build/python /usr/bin/python3 bench/read_results_speed.py "$work/data.txt" "$rounds"
