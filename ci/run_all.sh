#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and tests every configuration the project promises: the host build;
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer; the
# device builds for 32-bit ARM (32-bit and 64-bit time_t) with the suite run
# under qemu-arm; the library and its C tests on musl (amd64, and 32-bit ARM
# under qemu-arm); the same on uClibc-ng, built static from Debian's source
# (amd64, and 32-bit ARM under qemu-arm); the device library's footprint, imports and objects (no
# heap, no state); its binary interface against the committed baselines; the
# Debian packages and the static library, installed and used; the place table
# example built with the installed CMake package's qel_place_table(); line coverage of
# src/; each fuzz target for 20 seconds; one short pass of the benchmarks; and qel-tz's
# HTML pages rendered by headless Chromium (ci/html_report.sh). QEL_STAGES="dev arm32" runs a subset. First it installs the
# Debian packages of ci/packages.txt that are missing (as root; otherwise it
# prints the apt-get line and stops). Prints one line per stage and a closing
# "stages: N passed, N failed".
set -u
cd "$(dirname "$0")/.."

ci/install_packages.sh || { echo "stages: 0 passed, 1 failed"; exit 1; }
# qel-tz's uClibc-ng reader links the host's uClibc-ng: built (once, kept
# in build/uclibc-ng/) before any build of the tool.
ci/uclibc_build.sh amd64 || { echo "stages: 0 passed, 1 failed"; exit 1; }
# In this full run every real consumer (zic, zdump) is installed: a test that
# would skip itself for want of one fails instead.
export QEL_REQUIRE_CONSUMERS=1

passed=0
failed=0
failures=()

stage() {
    local name=$1
    shift
    echo "=== stage $name"
    if "$@"; then
        passed=$((passed + 1))
        echo "=== stage $name: passed"
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "=== stage $name: FAILED"
    fi
}

preset() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1" && ctest --preset "$1"
}

stages=${QEL_STAGES:-"dev sanitize arm32 arm32-time64 musl uclibc footprint abi packages place-table coverage fuzz bench html"}
for s in $stages; do
    case $s in
        dev | sanitize | arm32 | arm32-time64) stage "$s" preset "$s" ;;
        footprint) stage "$s" tests/footprint.sh ;;
        abi) stage "$s" tests/abi_check.sh ;;
        musl) stage "$s" ci/musl.sh ;;
        uclibc) stage "$s" ci/uclibc.sh ;;
        packages) stage "$s" ci/packages.sh ;;
        place-table) stage "$s" ci/place_table_example.sh ;;
        coverage) stage "$s" ci/coverage.sh ;;
        fuzz) stage "$s" ci/fuzz.sh 20 ;;
        bench) stage "$s" bench/report.sh --smoke ;;
        html) stage "$s" ci/html_report.sh ;;
        *) stage "$s" false ;;
    esac
done

[ ${#failures[@]} -eq 0 ] || echo "failed stages: ${failures[*]}"
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
