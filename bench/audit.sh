#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of `qel-tz audit`: a fleet file of ROWS devices (default 100,000)
# over PAIRS distinct place/string pairs (default 1,000), written into a
# scratch folder from the places of the tz database: each place with its own
# TZ string, then with stale ones. Times text, JSON and CSV output, then the
# same over 51 years; RUNS times each (default 5), release build.
# Usage: bench/audit.sh [runs] [rows] [pairs] [--tzdir DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5} rows=${2:-100000} pairs=${3:-1000}
shift $(($# < 3 ? $# : 3))
. bench/timing.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$tool" places --csv "$@" >"$work/places.csv"
python3 - "$work/places.csv" "$rows" "$pairs" >"$work/fleet.csv" <<'PY'
import csv, sys
places = [(r["place"], r["tz"]) for r in csv.DictReader(open(sys.argv[1])) if r["tz"]]
rows, pairs = int(sys.argv[2]), int(sys.argv[3])
stale = ["CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "<+03>-3", "AEST-10AEDT,M10.1.0,M4.1.0/3"]
assert pairs <= len(places) * (1 + len(stale)), "not so many distinct pairs"
out = csv.writer(sys.stdout, lineterminator="\n")
out.writerow(["device", "place", "tz"])
for i in range(rows):
    k = i % pairs
    place, own = places[k % len(places)]
    out.writerow([f"dev-{i}", place, ([own] + stale)[k // len(places)]])
PY
echo "qel-tz audit: $rows rows over $pairs place/string pairs"
time_runs "$runs" audit "$work/fleet.csv" "$@"
time_runs "$runs" audit "$work/fleet.csv" --json "$@"
time_runs "$runs" audit "$work/fleet.csv" --csv "$@"
this=$(date +%Y)
time_runs "$runs" audit "$work/fleet.csv" --years "$this-$((this + 50))" "$@"
