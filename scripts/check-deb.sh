#!/bin/bash
# Builds the Debian package (cpack -G DEB) in ./build-deb, installs it with
# apt (which resolves its dependencies), runs the sample with the installed
# tool and module, and removes the package again. Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-deb
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

bash scripts/install-deps.sh test
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j "$(nproc)" > /dev/null
rm -f "$build"/vexlor_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/vexlor_*.deb)
echo "$deb depends on: $(dpkg-deb -f "$deb" Depends)"

$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" > /dev/null
trap '$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vexlor > /dev/null' EXIT
work=$(mktemp -d)
/usr/bin/vexlor -I samples/palette.png -R "$work/installed.txt"
"$build/vexlor" -I samples/palette.png -R "$work/built.txt"
cmp "$work/installed.txt" "$work/built.txt"
# A BMP needs the image library plugin from /usr/libexec/vexlor; a blurred
# JPEG does not.
for icon in tests/data/audio-card.bmp tests/data/audio-card.jpg; do
  /usr/bin/vexlor -I "$icon" -B 2 -cR 0.8 -R "$work/installed-other.txt"
  "$build/vexlor" -I "$icon" -B 2 -cR 0.8 -R "$work/built-other.txt"
  cmp "$work/installed-other.txt" "$work/built-other.txt"
done
/usr/bin/python3 -c "import vexlor; print(vexlor.describe('samples/palette.png').line(), end='')" |
  cmp - "$work/built.txt"
man -w vexlor-batch vexlor-card vexlor-nearest vexlor-groups > /dev/null
/usr/bin/vexlor-card samples/palette.png -o "$work/card.png"
"$build/vexlor-card" samples/palette.png -o "$work/built-card.png"
cmp "$work/card.png" "$work/built-card.png"
[ -x /usr/libexec/vexlor/vexlor-window ] && [ -f /usr/libexec/vexlor/vexlor-imaging.so ]
[ -x /usr/libexec/vexlor/vexlor-svg-renderer ]
echo "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='14'><rect x='2' y='3' width='12'" \
  "height='6' fill='#36c'/></svg>" > "$work/icon.svg"
/usr/bin/vexlor -I "$work/icon.svg" -R "$work/svg-installed.txt"
"$build/vexlor" -I "$work/icon.svg" -R "$work/svg-built.txt"
cmp "$work/svg-installed.txt" "$work/svg-built.txt"
[ -f "$(pkg-config --variable=libdir vexlor)/libvexlor.a" ]
rm -rf "$work"
echo "PASS: $deb installs with apt and runs the sample"
