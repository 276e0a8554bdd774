#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of `qel-tz places`: every place of the tz database, this year and
# the next ten, both verdicts (each TZ string read by the C library, every zic
# text compiled by zic in one run and read back), then over 51 years to show
# how it grows with years. Runs each RUNS times (default 5) on the release
# build and prints the fastest and the median wall time.
# Usage: bench/places.sh [runs] [--tzdir DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
shift || true
. bench/timing.sh

places=$("$tool" places "$@" | sed -n 's/^\([0-9]*\) places of tz database \(.*\), window.*$/\1 places, tz database \2/p')
echo "qel-tz places: $places"
time_runs "$runs" places "$@"
time_runs "$runs" places --csv "$@"
time_runs "$runs" places --years "$(date +%Y)-$(($(date +%Y) + 50))" "$@"
