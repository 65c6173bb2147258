#!/usr/bin/env bash
# Builds the benchmarks (optimised, with debug information) in build-rel and runs them
# five times each, printing the medians. Extra arguments go to the benchmark program,
# e.g. --benchmark_filter=SymbolTable.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSARO_BUILD_BENCH=ON -DTESSARO_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-rel" -j2 --target tessaro_bench tessaro_generate tessaro_cli
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$root/build-rel/bench/tessaro_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 "$@"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
