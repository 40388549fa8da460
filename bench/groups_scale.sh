#!/bin/bash
# vexlor-groups at scale: a data set of ICONS (default 1000000) icons, varied
# copies of the PNG icons of Debian's Adwaita, Tango, oxygen, Yaru and
# hicolor themes (a crop of 70-100% of each side, a size of 16 to 256 px,
# contrast and brightness moved, a fifth of them JPEG: vexlor_make_icons on
# two processes), measured by vexlor-batch --background white -o. Prints
# the wall and CPU time and the peak memory of vexlor-batch and of
# vexlor-groups: its first run, which builds the index and keeps it beside
# the data set, and a second, which loads it; then how many groups came out.
#
#   bash bench/groups_scale.sh [ICONS] [WORK_DIR]
#
# WORK_DIR keeps the icons and the data set (about 12 KB an icon) for
# another run; by default they go to a temporary folder, removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-1000000}
work=${2:-}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work/sources"

if [ ! -s "$work/list" ] || [ "$(wc -l < "$work/list")" -ne "$icons" ]; then
  find /usr/share/icons/Adwaita /usr/share/icons/Tango /usr/share/icons/oxygen /usr/share/icons/Yaru* \
    /usr/share/icons/hicolor -name '*.png' -size +1k | sort |
    awk -v d="$work/sources" '{ printf "%s\t%s/%06d.png\n", $0, d, NR }' |
    while IFS=$'\t' read -r from to; do ln -sf "$from" "$to"; done
  half=$((icons / 2))
  build/bench/vexlor_make_icons "$work/sources" "$work/a" "$half" 1 > "$work/list.a" 2> /dev/null &
  build/bench/vexlor_make_icons "$work/sources" "$work/b" "$((icons - half))" 2 > "$work/list.b" 2> /dev/null
  wait
  cat "$work/list.a" "$work/list.b" > "$work/list"
fi
echo "$(wc -l < "$work/list") icons made from $(find "$work/sources" -name '*.png' | wc -l) theme icons," \
  "$(du -sh "$work/a" "$work/b" | awk '{ print $1 }' | paste -sd+) on disk"

timed() { /usr/bin/time -f "  %e s wall, %U + %S s CPU, %M KB peak" "$@"; }
rm -f "$work/data" "$work/data.index"
echo "vexlor-batch --background white -o DATA ($(nproc) jobs):"
timed build/vexlor-batch -q --background white -o "$work/data" "$work/list"
touch -d '1 minute ago' "$work/data" "$work/data.names" "$work/data.manifest"  # settled: the index is kept
for run in "first run, the index built and kept" "second run, the index loaded"; do
  echo "vexlor-groups DATA ($run):"
  timed build/vexlor-groups "$work/data" > "$work/groups"
done
awk -F'\t' '$1 != "-" { size[$1]++ } END {
  for (g in size) { groups++; if (size[g] > 1) { shared++; members += size[g] } if (size[g] > most) most = size[g] }
  printf "%d groups; %d of more than one record, holding %d records; the largest %d\n", groups, shared, members, most
}' "$work/groups"
