#!/bin/bash
# How robust is the search: each icon, distorted, redrawn at another size or
# re-encoded, is searched for among undistorted records; top-1 and top-5
# retrieval per row and metric. Distinct icons whose records are identical
# count as found.
#
#   bash bench/robustness.sh [ICONS] [--double]
#
# Rows: vexlor's own distortions and JPEG re-encoding (quality 75 over white,
# as logos are often saved) of ICONS (default 3000) PNGs of Debian's
# adwaita, oxygen and tango themes, spread evenly over the sorted list,
# searched among the records of all of them; and the icons themes ship at
# two sizes: adwaita's 24 x 24 icons among all its 48 x 48 ones, oxygen's
# 32 x 32 among all its 128 x 128 (and, apart, those that are no mimetype
# icon, not counted in the mean). TinyInt records unless --double.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
form=${2:-}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
metrics=(l1 l2 weighted root)

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort > "$work/all"
awk -v n="$icons" -v total="$(wc -l < "$work/all")" \
  'BEGIN { step = total / n } NR - 1 >= next_pick && ++k <= n { print; next_pick += step }' \
  "$work/all" > "$work/names"
build/vexlor-batch -q $form -o "$work/original.txt" "$work/names"

# Each row: the data set (records and names), the queries' records, and for
# each query the name it should find.
rows=()
add_row() {  # NAME DATA NAMES QUERIES TARGETS [part]: "part" rows are left out of the mean
  rows+=("$1")
  printf '%s\n' "$2" "$3" "$4" "$5" "${6:-}" > "$work/row.${#rows[@]}"
}
distortions=("--blur 1" "--blur 2" "--blur 3" "--red 0.8" "--red 1.2" "--green 0.8"
             "--blue 1.2" "--red 0.8 --green 0.8 --blue 0.8")
for i in "${!distortions[@]}"; do
  # shellcheck disable=SC2086  # the options split into words on purpose
  build/vexlor-batch -q $form ${distortions[$i]} -o "$work/distorted.$i.txt" "$work/names"
  add_row "${distortions[$i]}" "$work/original.txt" "$work/names" "$work/distorted.$i.txt" "$work/names"
done
/usr/bin/python3 bench/jpeg_copies.py "$work/names" "$work/jpeg" 75 --over-white \
  > "$work/jpeg-list" 2> /dev/null
build/vexlor-batch -q $form -o "$work/jpeg.txt" "$work/jpeg-list"
add_row "JPEG quality 75 over white" "$work/original.txt" "$work/names" "$work/jpeg.txt" "$work/names"
size_row() {  # THEME_DIR SMALL LARGE LABEL [LEAVE_OUT]: a part row without the queries matching LEAVE_OUT
  local key=${#rows[@]}
  find "$1/$3" -name '*.png' | sort > "$work/large.$key"
  sed "s|/$3/|/$2/|" "$work/large.$key" | while IFS= read -r f; do
    [ -f "$f" ] && printf '%s\n' "$f"; done | grep -v -e "${5:-^$}" > "$work/small.$key" || true
  sed "s|/$2/|/$3/|" "$work/small.$key" > "$work/targets.$key"
  build/vexlor-batch -q $form -o "$work/large.$key.txt" "$work/large.$key"
  build/vexlor-batch -q $form -o "$work/small.$key.txt" "$work/small.$key"
  add_row "$2 among $3 ($4)" "$work/large.$key.txt" "$work/large.$key" \
    "$work/small.$key.txt" "$work/targets.$key" ${5:+part}
}
size_row /usr/share/icons/Adwaita 24x24 48x48 Adwaita
oxygen=/usr/share/icons/oxygen/base
[ -d "$oxygen" ] || oxygen=/usr/share/icons/oxygen
size_row "$oxygen" 32x32 128x128 oxygen
# Oxygen draws its document (mimetype) icons anew for small sizes: at 32 x 32
# the emblem fills the page, at 128 x 128 it is small on a large blank page.
size_row "$oxygen" 32x32 128x128 "oxygen, queries other than mimetypes" /mimetypes/

for r in $(seq 1 "${#rows[@]}"); do
  mapfile -t row < "$work/row.$r"
  for metric in "${metrics[@]}"; do
    build/vexlor-nearest -k 5 --metric "$metric" "${row[0]}" "${row[1]}" \
      --records "${row[2]}" > "$work/found.$r.$metric" || true
  done
done

printf '%s\n' "${rows[@]}" > "$work/row-names"
/usr/bin/python3 - "$work" "${form:-TinyInt}" "${metrics[@]}" <<'PY'
import sys
work, form, metrics = sys.argv[1], sys.argv[2].lstrip("-"), sys.argv[3:]
row_names = open(f"{work}/row-names").read().splitlines()
print(f"{form} records; top-1 / top-5 in %\n")
print("| row | queries | " + " | ".join(metrics) + " |")
print("|---|---|" + "---|" * len(metrics))
totals = {m: [0, 0] for m in metrics}
counted = 0
for r, row_name in enumerate(row_names, 1):
    data, names, queries, targets, part = open(f"{work}/row.{r}").read().splitlines()
    counted += not part
    record_of = dict(zip(open(names).read().splitlines(), open(data).read().splitlines()))
    asked_lines = open(queries).read().splitlines()
    wanted = [record_of.get(t) for t in open(targets).read().splitlines()]
    asked = [q for q, line in enumerate(asked_lines)
             if line != "Bad Icon" and wanted[q] not in (None, "Bad Icon")]
    cells = []
    for m in metrics:
        ranks = {}
        for line in open(f"{work}/found.{r}.{m}"):
            q, rank, _, name = line.rstrip("\n").split("\t", 3)
            q = int(q) - 1
            if q not in ranks and record_of[name] == wanted[q]:
                ranks[q] = int(rank)
        top1 = sum(ranks.get(q) == 1 for q in asked) / len(asked)
        top5 = sum(q in ranks for q in asked) / len(asked)
        if not part:
            totals[m][0] += top1
            totals[m][1] += top5
        cells.append(f"{100 * top1:.1f} / {100 * top5:.1f}")
    print(f"| {row_name} | {len(asked)} | " + " | ".join(cells) + " |")
print("| mean | | " + " | ".join(f"{100 * t1 / counted:.1f} / {100 * t5 / counted:.1f}"
                                  for t1, t5 in totals.values()) + " |")
PY
