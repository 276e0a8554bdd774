#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of `qel-tz audit`, release build, the readers of glibc, musl and
# uClibc-ng (the default libraries), on fleets that bench/make_fleet.py
# writes into a scratch folder from the places of the tz database:
#   1. ROWS devices (default 1,000,000, a file over 64 MiB) over PAIRS
#      distinct place/string pairs (default 4,000): each place with its own
#      TZ string, then with stale ones; text, CSV, JSON and the --html page
#      (with its size);
#   2. DISTINCT devices (default 100,000) whose TZ strings all differ;
#   3. how time and memory grow: a tenth and a half of each.
# Each run once (RUNS times the first, default 1), with its wall time, its
# CPU time and its peak memory (bench/timing.sh, measure).
# Usage: bench/audit.sh [runs] [rows] [pairs] [distinct] [--tzdir DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1} rows=${2:-1000000} pairs=${3:-4000} distinct=${4:-100000}
shift $(($# < 4 ? $# : 4))
. bench/timing.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$tool" places --csv "$@" >"$work/places.csv"

echo "TZ strings read by $(read_by "$@")"
python3 bench/make_fleet.py --pairs "$work/places.csv" "$rows" "$pairs" >"$work/fleet.csv"
echo "qel-tz audit: $rows devices over $pairs distinct settings, $(($(stat -c %s "$work/fleet.csv") / 1048576)) MiB"
measure "text" audit "$work/fleet.csv" "$@"
measure "csv" audit "$work/fleet.csv" --csv "$@"
measure "json" audit "$work/fleet.csv" --json "$@"
measure "html page (text too)" audit "$work/fleet.csv" --html "$work/page.html" "$@"
echo "  the page: $(($(stat -c %s "$work/page.html") / 1024)) KiB"
[ "$runs" -le 1 ] || time_runs "$runs" audit "$work/fleet.csv" "$@"
python3 bench/make_fleet.py --distinct "$work/places.csv" "$distinct" >"$work/distinct.csv"
echo "qel-tz audit: $distinct devices, every TZ string different"
measure "text" audit "$work/distinct.csv" "$@"
measure "json" audit "$work/distinct.csv" --json "$@"
echo "growth:"
for part in 10 2; do
    python3 bench/make_fleet.py --pairs "$work/places.csv" $((rows / part)) "$pairs" >"$work/part.csv"
    measure "$((rows / part)) devices, $pairs settings" audit "$work/part.csv" "$@"
    python3 bench/make_fleet.py --distinct "$work/places.csv" $((distinct / part)) >"$work/part.csv"
    measure "$((distinct / part)) devices, all different" audit "$work/part.csv" "$@"
done
