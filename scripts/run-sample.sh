#!/bin/bash
# Installs what is needed, builds vexlor, and measures the shipped sample
# icon: the listing goes to the console, the record to build/results.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh >/dev/null
./build/vexlor -I samples/palette.png -R build/results.txt -PR 1 -PI 1
echo
echo "build/results.txt:"
cat build/results.txt
echo
