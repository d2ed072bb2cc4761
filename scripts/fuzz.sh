#!/usr/bin/env bash
# Builds the fuzz targets with clang, ASan and UBSan in build-fuzz/ and runs each
# for a bounded time on the seed corpus in fuzz/corpus/ (new inputs are kept in
# build-fuzz/corpus-*, crash inputs in build-fuzz/).
#
#   scripts/fuzz.sh [SECONDS]     seconds per target, default 60 (or ZK_FUZZ_SECONDS);
#                                 four targets: about four minutes in all
#
# Exit status 0 when no target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-${ZK_FUZZ_SECONDS:-60}}"

./scripts/install-deps.sh fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZK_FUZZ=ON -DZK_UI=OFF -DBUILD_TESTING=OFF -DZK_BENCH=OFF >/dev/null
cmake --build build-fuzz --target profile_fuzz scenario_fuzz lapfile_fuzz racelog_fuzz

for t in profile scenario lapfile racelog; do
  mkdir -p "build-fuzz/corpus-$t"
  echo "== ${t}_fuzz, ${secs} s"
  "build-fuzz/${t}_fuzz" -max_total_time="$secs" -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/${t}-" "build-fuzz/corpus-$t" "fuzz/corpus/$t" >"build-fuzz/$t.log" 2>&1 || {
    tail -40 "build-fuzz/$t.log"
    echo "FAIL: ${t}_fuzz found a fault (input in build-fuzz/${t}-*)"
    exit 1
  }
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "build-fuzz/$t.log" | tail -2 || true
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "build-fuzz/$t.log" || true
done
