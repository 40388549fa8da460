#!/bin/bash
# The hardening run: builds everything with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in ./build-sanitize, runs the whole test suite
# there (leak detection on), then runs each libFuzzer target for a while.
#
#   bash scripts/sanitize.sh [SECONDS_PER_FUZZER]    (default 60; 0 skips fuzzing)
#
# The fuzzers' random choices start from FUZZ_SEED (default 1): a run tries
# the same inputs each time, so CI does not pass or fail by chance. Explore
# with other seeds.
#
# A fuzzer's findings land in build-sanitize/fuzz-findings/; copy a crash file
# into tests/fuzz/regressions/<target>/ to keep it as a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=${FUZZ_SEED:-1}
root=$(pwd)
build=build-sanitize

bash scripts/install-deps.sh sanitize
CXX=clang++ cmake -S . -B "$build" -DVEXLOR_SANITIZE=ON -DVEXLOR_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0

(cd "$build" && ctest --output-on-failure -j "$(nproc)")

[ "$seconds" -gt 0 ] || exit 0
findings=$build/fuzz-findings
rm -rf "$findings" && mkdir -p "$findings"
/usr/bin/python3 tests/fuzz/make_seed_corpus.py "$build/fuzz-seeds" >/dev/null
for target in icon arguments png jpeg distortion svg zlib_stream; do
  corpus=$build/fuzz-corpus/$target
  mkdir -p "$corpus"
  echo "Fuzzing $target for $seconds s"
  # -close_fd_mask=3: the target's own output is noise here; libFuzzer keeps its report.
  if ! "$build/tests/fuzz/${target}_fuzzer" "$corpus" "$build/fuzz-seeds/$target" \
      "tests/fuzz/regressions/$target" -max_total_time="$seconds" -seed="$seed" -timeout=20 \
      -rss_limit_mb=3072 -close_fd_mask=3 -print_final_stats=1 \
      -artifact_prefix="$findings/$target-" 2> "$findings/$target.log"; then
    tail -n 60 "$findings/$target.log"
    echo "FUZZING FOUND A FAILURE in $target: see $findings"
    exit 1
  fi
  grep -E "^stat::number_of_executed_units|^Done" "$findings/$target.log" || true
done
echo "Fuzzing found nothing."
