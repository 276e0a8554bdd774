#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the dev build into a scratch prefix and builds examples/place_table
# against the installed CMake package: qel_place_table() writes the table at
# build time with the installed qel-tz, from tzdata 2026f (ci/fetch_tzdata.sh)
# over 2026-2036. Runs the program for places whose answers are known.
# Usage: ci/place_table_example.sh   (after the dev stage)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tzdir=$(ci/fetch_tzdata.sh 2026f "$work/tzdata-2026f")
cmake --install build/dev --prefix "$work/prefix" >/dev/null
cmake -S examples/place_table -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_C_FLAGS=-Werror \
    -DPLACE_TABLE_TZDIR="$tzdir" >/dev/null
cmake --build "$work/build" >/dev/null

status=0
expect() { # NAME SECONDS TEXT: the program's output holds TEXT
    local out
    out=$("$work/build/place_table" "$1" "$2" || true)
    if [[ $out != *"$3"* ]]; then
        echo "place_table $1 $2: wanted '$3', got: $out"
        status=1
    fi
}
expect Europe/Berlin 1796637600 "zone 10100, daylight saving on, TZ=CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"
expect America/Vancouver 1796637600 "TZ=MST+07:00"
expect Canada/Pacific 1796637600 "TZ=MST+07:00"
expect Asia/Jerusalem 1796637600 "holds until 1900368000"
expect Asia/Jerusalem 1900368000 "M3.5.5/02:00:00"
expect Australia/Lord_Howe 1796637600 "approximate"
expect Nowhere/Atlantis 1796637600 "not in the table"
expect Europe/Berlin 4102444800 "outside the table's window"
echo "place_table example: built with qel_place_table() from the installed package; $([ $status = 0 ] && echo "answers as expected" || echo FAILED)"
exit $status
