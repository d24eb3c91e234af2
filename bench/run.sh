#!/usr/bin/env bash
# Builds the benchmarks, runs them all with repetitions and writes a
# Markdown table of medians and ratios against the peers measured in the
# same run: bench/run.sh [OUTPUT.md]   (default: build/bench/results.md)
#
# The machine is shared: figures are medians of 5 repetitions, run in random
# order so that a change of load falls on a path and its peer alike, and only
# the ratios against a peer from the same binary and run are meant to be read.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/bench/results.md}

cmake --preset bench >/dev/null
cmake --build --preset bench -j2

dir=build/bench/bench
for b in sampling_bench tables_bench grids_bench uncertainty_bench math_bench; do
  echo "== $b" >&2
  "$dir/$b" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$dir/$b.json" --benchmark_out_format=json >&2
done
python3 bench/report.py "$dir"/sampling_bench.json "$dir"/tables_bench.json \
  "$dir"/grids_bench.json "$dir"/uncertainty_bench.json "$dir"/math_bench.json >"$out"
echo "table written to $out" >&2
