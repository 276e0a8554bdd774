#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs the benchmarks and writes the table of docs/performance.md.
# Usage: bench/report.sh            full run (20 interleaved repetitions), table printed
#        bench/report.sh --smoke    one short pass, only to see that everything runs
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench/bench/qel_bench
if [ "${1:-}" = "--smoke" ]; then
    "$bin" --benchmark_min_time=0.001 --benchmark_format=console >/dev/null
    echo "bench smoke: every benchmark ran"
    exit 0
fi
"$bin" --benchmark_repetitions=20 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_out=build/bench/result.json \
    --benchmark_out_format=json >/dev/null
python3 bench/make_table.py build/bench/result.json
