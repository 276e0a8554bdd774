#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Line coverage of src/ by the whole test suite, with gcov and gcovr: prints
# the per-file table, writes build/coverage/coverage.html, and fails when any
# line of the library is never run (so every exported function is entered).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/coverage

cmake --preset coverage >/dev/null
cmake --build --preset coverage >/dev/null
find "$build" -name '*.gcda' -delete
# The coverage run-time's own complaints (counters it cannot write under a
# test's file-size limit or as nobody, or merge with another process's at
# the same moment) go nowhere: the tests read the tool's stderr line by line.
GCOV_ERROR_FILE=/dev/null ctest --preset coverage >/dev/null

objects="$build/CMakeFiles/qeltime.dir"
gcovr --root . --filter 'src/' "$objects" --print-summary --fail-under-line 100 | tee "$build/coverage.txt"
gcovr --root . --filter 'src/' "$objects" --html-details "$build/coverage.html"

