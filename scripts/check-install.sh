#!/bin/bash
# Installs a build into a fresh prefix and uses it as a user would: builds the
# documented C++ example once with find_package(vexlor) and once with
# pkg-config, and checks that both print, for the test icons, exactly the
# lines the installed vexlor-batch writes. Also checks the man pages, the
# window helper's place and the installed Python module.
#
#   bash scripts/check-install.sh [BUILD_DIR]      (default: build)
set -euo pipefail
build=$(cd "${1:-$(dirname "$0")/../build}" && pwd)
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" > /dev/null

# The documented example program and its CMakeLists.txt (docs/cpp.md).
mkdir -p "$work/consumer"
section() { awk -v lang="$1" '$0 == "```" lang {taking=1; next} taking && /^```/{exit} taking' docs/cpp.md; }
section cpp > "$work/consumer/main.cpp"
section cmake > "$work/consumer/CMakeLists.txt"
[ -s "$work/consumer/main.cpp" ] && [ -s "$work/consumer/CMakeLists.txt" ] || { echo "FAIL: no example in docs/cpp.md"; exit 1; }

cmake -S "$work/consumer" -B "$work/consumer/build" -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$work/consumer/build" > /dev/null
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name vexlor.pc)")
export PKG_CONFIG_PATH
g++ -std=c++20 "$work/consumer/main.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs vexlor)

icons=("$root"/tests/data/*.png "$root"/tests/data/*.jpg "$root"/samples/*.png "$work/missing.png")
printf '%s\n' "${icons[@]}" > "$work/list"
"$prefix/bin/vexlor-batch" -q --blur 1 "$work/list" > "$work/expected"
for consumer in "$work/consumer/build/consumer" "$work/consumer-pc"; do
  "$consumer" "${icons[@]}" > "$work/got"
  cmp "$work/got" "$work/expected" || { echo "FAIL: $consumer differs from vexlor-batch"; exit 1; }
done

# The single-icon tool, its man pages and its window helper.
"$prefix/bin/vexlor" -I samples/palette.png -R "$work/one.txt" -B 1 -A 1
echo samples/palette.png | "$prefix/bin/vexlor-batch" -q --blur 1 | cmp -s - "$work/one.txt" ||
  { echo "FAIL: the installed vexlor writes another record"; exit 1; }
"$prefix/bin/vexlor-batch" -q "$work/list" > "$work/plain"
"$prefix/bin/vexlor-nearest" -k 1 "$work/plain" "$work/list" samples/palette.png |
  grep -qxF "samples/palette.png	1	0	$root/samples/palette.png" ||
  { echo "FAIL: the installed vexlor-nearest does not find the sample"; exit 1; }
"$prefix/bin/vexlor-card" samples/palette.png -o "$work/card.png" && [ -s "$work/card.png" ] ||
  { echo "FAIL: the installed vexlor-card wrote no card"; exit 1; }
for page in vexlor vexlor-batch vexlor-card vexlor-nearest vexlor-groups; do
  MANPATH=$prefix/share/man man -w "$page" > /dev/null || { echo "FAIL: no man page $page"; exit 1; }
done
[ -x "$prefix/libexec/vexlor/vexlor-window" ] || { echo "FAIL: no window helper"; exit 1; }
[ -f "$prefix/libexec/vexlor/vexlor-imaging.so" ] || { echo "FAIL: no image library plugin"; exit 1; }
[ -x "$prefix/libexec/vexlor/vexlor-svg-renderer" ] || { echo "FAIL: no SVG renderer"; exit 1; }
echo "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='14'><rect x='2' y='3' width='12'" \
  "height='6' fill='#36c'/></svg>" > "$work/icon.svg"
echo "$work/icon.svg" | "$prefix/bin/vexlor-batch" -q > "$work/svg-installed"
echo "$work/icon.svg" | "$build/vexlor-batch" -q | cmp -s - "$work/svg-installed" ||
  { echo "FAIL: the installed vexlor-batch measures an SVG otherwise"; exit 1; }

# The installed Python module, when it was built.
if [ -d "$build/python/vexlor" ]; then
  site=$(find "$prefix" -name __init__.py -path '*/vexlor/*' -printf '%h\n' | head -n 1)
  PYTHONPATH=$(dirname "$site") /usr/bin/python3 -c "
import sys, vexlor
assert vexlor.__file__.startswith('$prefix'), vexlor.__file__
print(vexlor.describe('samples/palette.png', blur=1).line())" > "$work/py.txt"
  cmp -s "$work/py.txt" "$work/one.txt" || { echo "FAIL: the installed module differs"; exit 1; }
fi
echo "PASS: installed tools, C++ consumers (CMake and pkg-config), man pages and module agree"
