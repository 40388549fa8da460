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

bash bench/large_results.sh "$icons" "$rows" "$work"
PYTHONPATH=build/python /usr/bin/python3 bench/read_results_speed.py "$work/data.txt" "$rounds"
