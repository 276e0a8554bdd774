#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs each libFuzzer target for a bounded time, starting from the seed
# corpora in fuzz/corpus/ (left unchanged: new inputs go to a scratch folder).
# Usage: ci/fuzz.sh [seconds per target, default 20] [target ...]
# Any finding stops the run with a non-zero exit; the crashing input is kept
# as build/fuzz/findings/crash-* for a regression case.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=${*:-"tzstr_parse tz_writers text_form posix_tz tzif cli fleet tz_reader place_find"}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
findings=build/fuzz/findings
mkdir -p "$findings"

for t in $targets; do
    scratch=$(mktemp -d)
    log=build/fuzz/fuzz_$t.log
    if ! build/fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
        -max_len=600 $([ -f "fuzz/$t.dict" ] && echo "-dict=fuzz/$t.dict") "$scratch" "fuzz/corpus/$t" >"$log" 2>&1; then
        tail -n 40 "$log"
        rm -rf "$scratch"
        echo "fuzz $t: FINDING (see $log)"
        exit 1
    fi
    runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
    rm -rf "$scratch"
    echo "fuzz $t: $runs executions in ${seconds}s, no finding"
done
