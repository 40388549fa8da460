#!/bin/bash
# Installs what is needed, builds vexlor and its tests, and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
bash scripts/build.sh
cd build
ctest --output-on-failure -j "$(nproc)"
