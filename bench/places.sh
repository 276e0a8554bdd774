#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of `qel-tz places`: every place of the tz database, this year and
# the next ten, both verdicts (each TZ string read by the C libraries, every
# zic text compiled by zic in one run and read back), then over 51 years to
# show how it grows with years, release build, the readers of glibc, musl
# and uClibc-ng (the default libraries). Runs each RUNS times (default 5) and
# prints the fastest and the median wall time; then once over the 501 years
# 1900-2400, with its CPU time and peak memory (bench/timing.sh, measure).
# Usage: bench/places.sh [runs] [--tzdir DIR] [--libc ...]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
shift || true
. bench/timing.sh

places=$("$tool" places "$@" | sed -n 's/^\([0-9]*\) places of tz database \(.*\), window.*$/\1 places, tz database \2/p')
echo "qel-tz places: $places, TZ strings read by $(read_by "$@")"
time_runs "$runs" places "$@"
time_runs "$runs" places --csv "$@"
time_runs "$runs" places --years "$(date +%Y)-$(($(date +%Y) + 50))" "$@"
measure "places --years 1900-2400" places --years 1900-2400 "$@"
