#!/bin/bash
# What --background costs on every icon size: vexlor-batch -j 1 over COUNT
# (default 200) RGBA PNGs of 256 px and of 512 px, and ten times as many of
# 16 to 48 px
# (Debian's Yaru and Adwaita themes), plain, with --background white, and
# over the same icons already flattened over white (the same pictures
# measured). CPU time (user + system) of each run, medians of ROUNDS
# (default 5) rounds in which the commands take turns; ratios in one run.
#
#   bash bench/background_sizes.sh [COUNT] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-200}
rounds=${2:-5}

bash scripts/install-deps.sh bench
bash scripts/build.sh build > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pick() {  # NAME COUNT PATTERN: COUNT PNGs of the themes whose paths match
  find /usr/share/icons/Yaru /usr/share/icons/Adwaita -name '*.png' | grep -E "$3" | sort |
    awk -v n="$2" 'NR % 3 == 1 && ++k <= n' > "$work/$1"
  /usr/bin/python3 bench/jpeg_copies.py "$work/$1" "$work/$1-flat" --over-white --png \
    > "$work/$1.flat"
}
# Small icons take a tenth of the time: ten times as many, so that a
# process's start counts alike.
pick small $((count * 10)) '/(16x16|24x24|32x32|48x48)/'
pick 256 "$count" '/256x256/'
pick 512 "$count" '/(512x512|256x256@2x)/'
cat "$work"/small "$work"/256 "$work"/512 "$work"/*.flat | xargs cat > /dev/null  # page cache

/usr/bin/python3 - "$work" "$rounds" <<'PY'
import sys
sys.path.insert(0, "bench")
from cpu_rounds import median_cpu_seconds
work, rounds = sys.argv[1], int(sys.argv[2])
batch = ["build/vexlor-batch", "-q", "-j", "1", "-o", "/dev/null"]
commands = {}
for size in ("small", "256", "512"):
    commands[size, "plain"] = batch + [f"{work}/{size}"]
    commands[size, "white"] = batch + ["--background", "white", f"{work}/{size}"]
    commands[size, "flat"] = batch + [f"{work}/{size}.flat"]
median = median_cpu_seconds(commands, rounds)
for size in ("small", "256", "512"):
    n = sum(1 for _ in open(f"{work}/{size}"))
    plain, white, flat = (median[size, k] for k in ("plain", "white", "flat"))
    print(f"{size:>5} px, {n} icons, CPU per icon: plain {plain / n * 1e6:7.1f} us, "
          f"--background white {white / n * 1e6:7.1f} us, flattened {flat / n * 1e6:7.1f} us; "
          f"white/plain {white / plain:.2f}, white/flattened {white / flat:.2f}")
PY
