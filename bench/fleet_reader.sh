#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of the fleet file reader alone: a fleet of ROWS devices (default
# 1,000,000, from bench/make_fleet.py) read once by the stream reader, as
# tests/tools/fleet_stream_count does it (the dev build's): its speed over
# the file's size, and its peak memory from GNU time (Debian package `time`).
# Usage: bench/fleet_reader.sh [rows]
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${1:-1000000}
cmake --preset dev >/dev/null
cmake --build --preset dev --target fleet_stream_count >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 bench/make_fleet.py "$rows" >"$work/fleet.csv"
bytes=$(stat -c %s "$work/fleet.csv")
start=$(date +%s%N)
/usr/bin/time -v build/dev/tests/fleet_stream_count "$work/fleet.csv" 2>"$work/time.txt"
ns=$(($(date +%s%N) - start))
echo "$bytes bytes in $((ns / 1000000)) ms: $((bytes * 1000 / ns)) MB/s"
grep -E 'Maximum resident set size' "$work/time.txt"
