#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of `qel-tz diff` on two whole releases of the tz database (such as
# two tzdata packages extracted with dpkg-deb -x into a scratch folder): this
# year and the next ten, then 51 years, then a release against itself (no
# zone changes: what every zone costs before any is checked). RUNS times each
# (default 5), release build.
# Usage: bench/diff.sh OLD NEW [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
old=$1 new=$2 runs=${3:-5}
. bench/timing.sh

echo "qel-tz diff: $("$tool" diff "$old" "$new" | tail -n 1)"
this=$(date +%Y)
time_runs "$runs" diff "$old" "$new"
time_runs "$runs" diff "$old" "$new" --years "$this-$((this + 50))"
time_runs "$runs" diff "$new" "$new"
