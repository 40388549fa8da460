#!/bin/bash
# Installs the Debian 12 packages that vexlor needs.
#   install-deps.sh          what building and running the tool needs
#   install-deps.sh test     that, plus what the test suite needs
#   install-deps.sh sanitize that, plus clang for the sanitizer build and fuzzers
#   install-deps.sh bench    that, plus what the benchmarks need
# Packages already present are not installed again. Needs root (or sudo).
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev libopencv-highgui-dev
  libcli11-dev libhnswlib-dev libpng-dev libjpeg-dev librsvg2-dev zlib1g-dev
  pybind11-dev python3-dev python3-numpy
)
case "${1:-}" in
  test) packages+=(googletest libgtest-dev python3 python3-opencv parallel
                   xvfb xauth xdotool imagemagick python3-pytest python3-distributed
                   dpkg-dev man-db chromium librsvg2-bin) ;;
  sanitize) packages+=(googletest libgtest-dev python3 python3-opencv parallel
                       xvfb xauth xdotool imagemagick chromium clang libclang-rt-14-dev librsvg2-bin) ;;
  bench) packages+=(time bc hyperfine valgrind python3-opencv python3-pil python3-pandas imagemagick parallel
                   python3-scipy librsvg2-bin breeze-icon-theme
                   adwaita-icon-theme oxygen-icon-theme
                   tango-icon-theme hicolor-icon-theme yaru-theme-icon mate-icon-theme
                   gnome-icon-theme moka-icon-theme elementary-xfce-icon-theme paper-icon-theme) ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
