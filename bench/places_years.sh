#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# How `qel-tz places` grows with the number of years: every place of the tz
# database over spans of 11 to 501 years from 1900, each run once, with its
# wall time, CPU time and peak memory (bench/timing.sh, measure): the time
# grows with the years, the memory with the places and the schedules they
# need, not with the years themselves.
# Usage: bench/places_years.sh [--tzdir DIR] [--libc ...]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/timing.sh

echo "qel-tz places, TZ strings read by $(read_by "$@")"
for last in 1910 1950 2000 2150 2400; do
    measure "--years 1900-$last ($((last - 1900 + 1)) years)" places --years "1900-$last" "$@"
done
