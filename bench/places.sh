#!/usr/bin/env bash
# Benchmark of `qel-tz places`: every place of the tz database, this year and
# the next ten, both verdicts (each TZ string read by the C library, each zic
# text compiled by zic and read back). Runs it RUNS times (default 5) on the
# release build and prints the fastest and the median wall time.
# Usage: bench/places.sh [runs] [--tzdir DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
shift || true

cmake --preset bench >/dev/null
cmake --build --preset bench --target qel-tz >/dev/null
tool=build/bench/tools/qel-tz
times=()
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$tool" places "$@" >/dev/null
    times+=($((($(date +%s%N) - start) / 1000000)))
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
places=$("$tool" places "$@" | sed -n 's/^\([0-9]*\) places of tz database \(.*\)$/\1 places, tz database \2/p')
echo "qel-tz places: $places"
echo "fastest $(echo "$sorted" | head -n 1) ms, median $(echo "$sorted" | sed -n "$(((runs + 1) / 2))p") ms over $runs runs"
