# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the benchmarks of whole qel-tz commands (places.sh, diff.sh,
# audit.sh, places_years.sh): builds the release build's qel-tz once, with
# the reader of every library the judging commands read with by default
# (--libc linux: glibc, musl and uClibc-ng), and times a command. No test
# asserts a time; these print them.
cmake --preset bench >/dev/null
cmake --build --preset bench --target qel-tz >/dev/null
tool=build/bench/tools/qel-tz
for reader in glibc musl uclibc-ng; do
    [ -x "build/bench/libexec/qel-tz/tz-reader-$reader" ] || {
        echo "bench: the bench build has no $reader reader, and its figures would leave $reader out" \
            "(musl: Debian's musl-tools; uClibc-ng: ci/uclibc_build.sh amd64)" >&2
        exit 1
    }
done

# read_by ARGS...: the libraries `qel-tz places ARGS...` reads with.
read_by() { "$tool" places "$@" | sed -n 's/^TZ strings read by //p'; }

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

# measure LABEL ARGS...: one run of qel-tz ARGS..., output dropped: its wall
# time, its CPU time (user and system, its readers and zic included) and its
# peak memory (the largest resident set of it and its children, as GNU time
# -v reports it: Debian package `time`).
measure() {
    local label=$1 status=0 out
    shift
    out=$(mktemp "${TMPDIR:-/tmp}/qeltime-measure.XXXXXX")
    /usr/bin/time -f "%e %U %S %M" -o "$out" "$tool" "$@" >/dev/null 2>"$out.err" || status=$?
    if [ "$status" -gt 1 ]; then
        echo "qel-tz $* failed with status $status" >&2
        cat "$out.err" >&2
        rm -f "$out" "$out.err"
        return 1
    fi
    read -r seconds user system kib < <(tail -n 1 "$out")
    rm -f "$out" "$out.err"
    printf '  %-44s %7s s %7s s CPU %6s MB\n' "$label" "$seconds" \
        "$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')" "$((kib / 1024))"
}
