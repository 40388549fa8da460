#!/bin/bash
# A large results file for the benchmarks that read one: the TinyInt records
# (over white) of the first ICONS theme PNGs of adwaita, oxygen and tango,
# repeated to ROWS lines, in WORK/data.txt, and their paths repeated alike in
# WORK/names (WORK/list: the ICONS paths). Expects a build in build/.
#
#   bash bench/large_results.sh ICONS ROWS WORK
set -euo pipefail
cd "$(dirname "$0")/.."
icons=$1
rows=$2
work=$3

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort | sed -n "1,${icons}p" > "$work/list"
build/vexlor-batch -q --background white "$work/list" > "$work/records"
repeat() {
  /usr/bin/python3 -c '
import itertools, sys
lines = open(sys.argv[1]).readlines()
with open(sys.argv[2], "w") as out:
    out.writelines(itertools.islice(itertools.cycle(lines), int(sys.argv[3])))
' "$@"
}
repeat "$work/records" "$work/data.txt" "$rows"
repeat "$work/list" "$work/names" "$rows"
