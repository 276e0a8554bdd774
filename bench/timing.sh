# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the benchmarks of whole qel-tz commands (places.sh, diff.sh,
# audit.sh): builds the release build's qel-tz once and times a command.
# No test asserts a time; these print them.
cmake --preset bench >/dev/null
cmake --build --preset bench --target qel-tz >/dev/null
tool=build/bench/tools/qel-tz

# time_runs RUNS ARGS...: runs `qel-tz ARGS...` RUNS times, output dropped,
# and prints the fastest and the median wall time. Its exit status 0 or 1
# (1: something went wrong in the data, which diff and audit report so) is
# not a failure of the benchmark; 2 is.
time_runs() {
    local runs=$1 times=() start status
    shift
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        status=0
        "$tool" "$@" >/dev/null || status=$?
        times+=($((($(date +%s%N) - start) / 1000000)))
        [ "$status" -le 1 ] || { echo "qel-tz $* failed with status $status" >&2; return 1; }
    done
    local sorted
    sorted=$(printf '%s\n' "${times[@]}" | sort -n)
    echo "  qel-tz $*: fastest $(echo "$sorted" | head -n 1) ms, median $(echo "$sorted" | sed -n "$(((runs + 1) / 2))p") ms over $runs runs"
}
