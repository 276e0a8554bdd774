#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs calendar_edges (the command given after the column name) and compares
# its output with the column of that C library in docs/c-libraries.md, so
# that the table stays true. Usage: check_c_library_table.sh glibc|musl COMMAND...
set -euo pipefail
column=$1
shift
table=$(dirname "$0")/../../docs/c-libraries.md

expected=$(awk -F'|' -v want="$column" '
    function cell(s) { gsub(/^ *`?|`? *$/, "", s); return s }
    /^\| *case *\|/ { for (i = 2; i < NF; i++) if (cell($i) == want) col = i; next }
    col && /^\| *`/ { print cell($2) "\t" cell($col) }' "$table")
[ -n "$expected" ] || { echo "no column '$column' in $table"; exit 1; }
actual=$("$@")
if diff <(echo "$expected") <(echo "$actual"); then
    echo "$column: $(echo "$actual" | wc -l) cases as docs/c-libraries.md says"
else
    echo "$column: results differ from docs/c-libraries.md (< table, > this C library)"
    exit 1
fi
