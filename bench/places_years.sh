#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# How the time of `qel-tz places` grows with the number of years: every place
# of the tz database over spans of 11 to 501 years from 1900, each timed by
# bench/places.sh (RUNS runs, default 3), the fastest printed with the time
# per year.
# Usage: bench/places_years.sh [runs] [--tzdir DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
shift || true

echo "years      fastest ms  ms a year"
for last in 1910 1950 2000 2150 2400; do
    fastest=$(bench/places.sh "$runs" --years "1900-$last" "$@" | sed -n 's/^fastest \([0-9]*\) ms.*/\1/p')
    printf '1900-%s  %10s  %9s\n' "$last" "$fastest" "$((fastest / (last - 1900 + 1)))"
done
