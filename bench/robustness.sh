#!/bin/bash
# How robust is the search: each icon, distorted, resized, redrawn at another
# size or re-encoded, is searched for among undistorted records; top-1 and
# top-5 retrieval per row and metric, once with records as vexlor makes them
# (alpha dropped) and once with --background white on both sides. Distinct
# icons whose records are identical count as found.
#
#   bash bench/robustness.sh [ICONS] [--double]
#
# Rows:
# - vexlor's own distortions and JPEG re-encoding (quality 75 over white, as
#   logos are often saved) of ICONS (default 3000) PNGs of Debian's adwaita,
#   oxygen and tango themes, one size of each artwork, spread evenly over the
#   sorted list, searched among the records of all of them;
# - the same artwork resized: the themes' 48 x 48 icons to 24 and 32 pixels,
#   and their 256 x 256 icons to 48, by ImageMagick (convert -resize) and by
#   Pillow (LANCZOS), searched among the originals;
# - the icons themes draw anew at another size: adwaita's 24 x 24 among its
#   48 x 48, oxygen's 32 x 32 among its 128 x 128 (and, apart, those that are
#   no mimetype icon, not counted in the mean).
# TinyInt records unless --double.
set -euo pipefail
cd "$(dirname "$0")/.."
icons=${1:-3000}
form=${2:-}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
metrics=(l1 l2 weighted root)
modes=(plain white)
mode_options() { [ "$1" = white ] && echo "--background white" || true; }

# The records of the icons listed in $1 (with more options), for each mode:
# $1.plain.txt and $1.white.txt.
records() {
  local list=$1; shift
  for mode in "${modes[@]}"; do
    # shellcheck disable=SC2046  # the options split into words on purpose
    build/vexlor-batch -q $form $(mode_options "$mode") "$@" -o "$list.$mode.txt" "$list"
  done
}

# Each row: the data set (list, whose records are LIST.MODE.txt), the queries
# (likewise) and for each query the name it should find.
rows=()
add_row() {  # NAME DATA_LIST QUERY_LIST TARGETS [part]: "part" rows are left out of the mean
  rows+=("$1")
  printf '%s\n' "$2" "$3" "$4" "${5:-}" > "$work/row.${#rows[@]}"
}

# One size of each artwork (the largest up to 48 pixels, else the smallest):
# the same icon at other sizes in the data would be a near twin of every query.
find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango -name '*.png' |
  sort | /usr/bin/python3 -c '
import re, sys
best = {}
for path in sys.stdin.read().splitlines():
    m = re.search(r"/([0-9]+)x[0-9]+/", path)
    side = int(m[1]) if m else 0
    key = path.replace(m[0], "/SIZE/") if m else path
    rank = (side <= 48, side if side <= 48 else -side)
    if key not in best or rank > best[key][0]:
        best[key] = (rank, path)
print("\n".join(sorted(p for _, p in best.values())))' > "$work/all"
awk -v n="$icons" -v total="$(wc -l < "$work/all")" \
  'BEGIN { step = total / n } NR - 1 >= next_pick && ++k <= n { print; next_pick += step }' \
  "$work/all" > "$work/names"
records "$work/names"
distortions=("--blur 1" "--blur 2" "--blur 3" "--red 0.8" "--red 1.2" "--green 0.8"
             "--blue 1.2" "--red 0.8 --green 0.8 --blue 0.8")
for i in "${!distortions[@]}"; do
  cp "$work/names" "$work/distorted.$i"
  # shellcheck disable=SC2086
  records "$work/distorted.$i" ${distortions[$i]}
  add_row "${distortions[$i]}" "$work/names" "$work/distorted.$i" "$work/names"
done
/usr/bin/python3 bench/jpeg_copies.py "$work/names" "$work/jpeg" 75 --over-white \
  > "$work/jpeg-list" 2> /dev/null
records "$work/jpeg-list"
add_row "JPEG quality 75 over white" "$work/names" "$work/jpeg-list" "$work/names"

oxygen=/usr/share/icons/oxygen/base
[ -d "$oxygen" ] || oxygen=/usr/share/icons/oxygen
find /usr/share/icons/Adwaita/48x48 "$oxygen/48x48" -name '*.png' | sort > "$work/48"
find /usr/share/icons/Adwaita/256x256 "$oxygen/256x256" -name '*.png' | sort > "$work/256"
# Oxygen's large mimetype icons are one blank page with a small emblem each:
# at 48 pixels the emblems that tell them apart are a few pixels wide.
grep -v /mimetypes/ "$work/256" > "$work/256-other" || true
records "$work/48"
records "$work/256"
for tool in magick pillow; do
  label=$([ "$tool" = magick ] && echo "convert -resize" || echo "Pillow LANCZOS")
  for resize in "48 24" "48 32" "256 48" "256-other 48"; do
    set -- $resize
    /usr/bin/python3 bench/resized_copies.py "$work/$1" "$work/$tool-$1-$2" "$2" "$tool" \
      > "$work/$tool-$1-$2.list"
    records "$work/$tool-$1-$2.list"
    if [ "$1" = 256-other ]; then
      add_row "256 px to 48 px, $label, other than mimetypes" "$work/256" \
        "$work/$tool-$1-$2.list" "$work/$1" part
    else
      add_row "${1} px to ${2} px, $label" "$work/$1" "$work/$tool-$1-$2.list" "$work/$1"
    fi
  done
done

size_row() {  # THEME_DIR SMALL LARGE LABEL [LEAVE_OUT]: a part row without the queries matching LEAVE_OUT
  local key=${#rows[@]}
  find "$1/$3" -name '*.png' | sort > "$work/large.$key"
  sed "s|/$3/|/$2/|" "$work/large.$key" | while IFS= read -r f; do
    [ -f "$f" ] && printf '%s\n' "$f"; done | grep -v -e "${5:-^$}" > "$work/small.$key" || true
  sed "s|/$2/|/$3/|" "$work/small.$key" > "$work/targets.$key"
  records "$work/large.$key"
  records "$work/small.$key"
  add_row "redrawn: $2 among $3 ($4)" "$work/large.$key" "$work/small.$key" \
    "$work/targets.$key" ${5:+part}
}
size_row /usr/share/icons/Adwaita 24x24 48x48 Adwaita
size_row "$oxygen" 32x32 128x128 oxygen
# Oxygen draws its document (mimetype) icons anew for small sizes: at 32 x 32
# the emblem fills the page, at 128 x 128 it is small on a large blank page.
size_row "$oxygen" 32x32 128x128 "oxygen, queries other than mimetypes" /mimetypes/

for r in $(seq 1 "${#rows[@]}"); do
  mapfile -t row < "$work/row.$r"
  for mode in "${modes[@]}"; do
    for metric in "${metrics[@]}"; do
      build/vexlor-nearest -k 5 --metric "$metric" "${row[0]}.$mode.txt" "${row[0]}" \
        --records "${row[1]}.$mode.txt" > "$work/found.$r.$mode.$metric" || true
    done
  done
done

printf '%s\n' "${rows[@]}" > "$work/row-names"
/usr/bin/python3 - "$work" "${form:-TinyInt}" "${metrics[@]}" <<'PY'
import sys
work, form, metrics = sys.argv[1], sys.argv[2].lstrip("-"), sys.argv[3:]
row_names = open(f"{work}/row-names").read().splitlines()
for mode, title in (("plain", "as vexlor records them (alpha dropped)"),
                    ("white", "with --background white on both sides")):
    print(f"\n{form} records {title}; top-1 / top-5 in %\n")
    print("| row | queries | " + " | ".join(metrics) + " |")
    print("|---|---|" + "---|" * len(metrics))
    totals = {m: [0, 0] for m in metrics}
    counted = 0
    for r, row_name in enumerate(row_names, 1):
        data, queries, targets, part = open(f"{work}/row.{r}").read().splitlines()
        counted += not part
        record_of = dict(zip(open(data).read().splitlines(),
                             open(f"{data}.{mode}.txt").read().splitlines()))
        asked_lines = open(f"{queries}.{mode}.txt").read().splitlines()
        wanted = [record_of.get(t) for t in open(targets).read().splitlines()]
        asked = [q for q, line in enumerate(asked_lines)
                 if line != "Bad Icon" and wanted[q] not in (None, "Bad Icon")]
        cells = []
        for m in metrics:
            ranks = {}
            for line in open(f"{work}/found.{r}.{mode}.{m}"):
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
