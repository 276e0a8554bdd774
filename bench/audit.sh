#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of `qel-tz audit`, on fleets written into a scratch folder from
# the places of the tz database, release build:
#   1. ROWS devices (default 1,000,000, a file over 64 MiB) over PAIRS
#      distinct place/string pairs (default 4,000): each place with its own
#      TZ string, then with stale ones; text, CSV and JSON;
#   2. DISTINCT devices (default 100,000) whose settings are all different;
#   3. how time and memory grow: a tenth and a half of each.
# Each run once (RUNS times the first, default 1), with its wall time and
# peak memory (maximum resident set, as GNU time -v reports it).
# Usage: bench/audit.sh [runs] [rows] [pairs] [distinct] [--tzdir DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1} rows=${2:-1000000} pairs=${3:-4000} distinct=${4:-100000}
shift $(($# < 4 ? $# : 4))
. bench/timing.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$tool" places --csv "$@" >"$work/places.csv"

# fleet ROWS PAIRS FILE: ROWS devices over PAIRS distinct settings (PAIRS = 0:
# every row its own setting, a TZ string of its own at its place).
fleet() {
    python3 - "$work/places.csv" "$1" "$2" >"$3" <<'PY'
import csv, itertools, sys
places = [(r["place"], r["tz"]) for r in csv.DictReader(open(sys.argv[1])) if r["tz"]]
rows, pairs = int(sys.argv[2]), int(sys.argv[3])
stale = ["CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "<+03>-3", "AEST-10AEDT,M10.1.0,M4.1.0/3",
         "PST8PDT,M3.2.0,M11.1.0", "EET-2EEST,M3.5.0/3,M10.5.0/4", "IST-5:30", "MSK-3", "UTC0"]
own = itertools.product(range(-11, 13), (1, 2, 3, 4, 5), (0, 1, 2, 3))
unique = [f"AAA{h}BBB,M3.{w}.0/{t},M10.5.0/3" for h, w, t in own]
out = csv.writer(sys.stdout, lineterminator="\n")
out.writerow(["device", "place", "tz"])
for i in range(rows):
    if pairs == 0:
        place = places[i % len(places)][0]
        tz = unique[i // len(places) % len(unique)] if i // len(places) < len(unique) else f"AAA{i % 24 - 11}"
    else:
        k = i % pairs
        place, mine = places[k % len(places)]
        tz = ([mine] + stale)[k // len(places) % (1 + len(stale))]
    out.writerow([f"device-{i:08d}-{place}", place, tz])
PY
}

# measure LABEL ARGS...: one run of qel-tz ARGS..., its wall time and peak memory.
measure() {
    local label=$1
    shift
    local status=0
    /usr/bin/time -f "%e %M" -o "$work/time" "$tool" "$@" >/dev/null 2>"$work/err" || status=$?
    [ "$status" -le 1 ] || { echo "qel-tz $* failed with status $status" >&2; cat "$work/err" >&2; return 1; }
    read -r seconds kib < <(tail -n 1 "$work/time")
    printf '  %-44s %7s s %7s MB\n' "$label" "$seconds" "$((kib / 1024))"
}

fleet "$rows" "$pairs" "$work/fleet.csv"
echo "qel-tz audit: $rows devices over $pairs distinct settings, $(($(stat -c %s "$work/fleet.csv") / 1048576)) MiB"
measure "text" audit "$work/fleet.csv" "$@"
measure "csv" audit "$work/fleet.csv" --csv "$@"
measure "json" audit "$work/fleet.csv" --json "$@"
[ "$runs" -le 1 ] || time_runs "$runs" audit "$work/fleet.csv" "$@"
fleet "$distinct" 0 "$work/distinct.csv"
echo "qel-tz audit: $distinct devices, every setting different"
measure "text" audit "$work/distinct.csv" "$@"
echo "growth:"
for part in 10 2; do
    fleet $((rows / part)) "$pairs" "$work/part.csv"
    measure "$((rows / part)) devices, $pairs settings" audit "$work/part.csv" "$@"
    fleet $((distinct / part)) 0 "$work/part.csv"
    measure "$((distinct / part)) devices, all different" audit "$work/part.csv" "$@"
done
