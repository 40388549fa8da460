#!/bin/bash
# Every record of one build against another's, for a change that must not
# change one byte: vexlor-batch over theme icons (the PNGs of adwaita,
# oxygen, tango and hicolor, every STEP-th), their JPEG twins and all test
# icons in six option sets, and single vexlor runs in the double form with a
# distortion.
#
#   bash bench/compare_records.sh OLD_BUILD [NEW_BUILD] [STEP] [SINGLE_RUNS]
#
# STEP (default 2) thins the theme icons; SINGLE_RUNS (default 200) icons
# also run one vexlor process each. Exits 1 at the first difference.
set -euo pipefail
cd "$(dirname "$0")/.."
old=$(cd "$1" && pwd)
new=$(cd "${2:-build}" && pwd)
step=${3:-2}
single=${4:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/share/icons/Adwaita /usr/share/icons/oxygen /usr/share/icons/Tango \
     /usr/share/icons/hicolor -name '*.png' | sort | awk -v s="$step" 'NR % s == 1' > "$work/themes"
/usr/bin/python3 bench/jpeg_copies.py "$work/themes" "$work/jpeg" > "$work/twins"
find tests/data -type f ! -name '*.py' ! -name '*.txt' | sort > "$work/tests"
cat "$work/themes" "$work/twins" "$work/tests" > "$work/list"
echo "$(wc -l < "$work/list") icons: $(wc -l < "$work/themes") theme PNGs," \
     "$(wc -l < "$work/twins") JPEG twins, $(wc -l < "$work/tests") test files"

modes=("" "--double" "--blur 1 --red 0.8" "--double --blur 2 --green 1.7 --blue 0"
       "--double --red 255.5 --blur 3" "--blur 7 --green 0.5 --blue -2 --red 1e9")
for mode in "${modes[@]}"; do
  # shellcheck disable=SC2086
  "$old/vexlor-batch" -q -j 2 $mode "$work/list" > "$work/old.txt"
  # shellcheck disable=SC2086
  "$new/vexlor-batch" -q -j 2 $mode "$work/list" > "$work/new.txt"
  cmp "$work/old.txt" "$work/new.txt" || { echo "DIFFERENT with '$mode'"; exit 1; }
  echo "identical: vexlor-batch $mode ($(grep -c -v '^Bad Icon$' "$work/new.txt") records," \
       "$(grep -c '^Bad Icon$' "$work/new.txt") Bad Icon)"
done

awk -v n="$single" -v total="$(wc -l < "$work/list")" \
  'NR % int(total / n > 1 ? total / n : 1) == 0' "$work/list" | head -n "$single" > "$work/single"
while IFS= read -r icon; do
  for which in old new; do
    "${!which}/vexlor" -I "$icon" -A 1 -TI 0 -B 2 -cR 0.8 -cB 1.5 -R "$work/single-$which.txt" ||
      true  # a Bad Icon ends with exit 255, its line written
  done
done < "$work/single"
cmp "$work/single-old.txt" "$work/single-new.txt" || { echo "DIFFERENT in single runs"; exit 1; }
echo "identical: $(wc -l < "$work/single") single vexlor -A 1 -TI 0 -B 2 -cR 0.8 -cB 1.5 runs"
