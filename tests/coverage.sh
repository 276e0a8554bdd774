#!/usr/bin/env bash
# Line coverage of src/ by the whole test suite, with gcov and gcovr: prints
# the per-file table, writes build/coverage/coverage.html, and fails below 95%
# of lines or when an exported function is never entered.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/coverage

cmake --preset coverage >/dev/null
cmake --build --preset coverage >/dev/null
find "$build" -name '*.gcda' -delete
ctest --preset coverage >/dev/null

objects="$build/CMakeFiles/qeltime.dir"
gcovr --root . --filter 'src/' "$objects" --print-summary --fail-under-line 95 | tee "$build/coverage.txt"
gcovr --root . --filter 'src/' "$objects" --html-details "$build/coverage.html" --json "$build/coverage.json"

# Every function declared in the header must have been entered at least once.
python3 - "$build/coverage.json" include/qel_time.h <<'PY'
import json, re, sys
data = json.load(open(sys.argv[1]))
entered = {}
for f in data["files"]:
    for fn in f.get("functions", []):
        name = fn["name"].split("(")[0]
        entered[name] = entered.get(name, 0) + fn["execution_count"]
declared = re.findall(r"^QEL_API [^(]*?(qel_\w+)\(", open(sys.argv[2]).read(), re.M)
missing = [d for d in declared if entered.get(d, 0) == 0]
print(f"exported functions entered: {len(declared) - len(missing)} of {len(declared)}")
if missing:
    print("never entered: " + ", ".join(missing))
    sys.exit(1)
PY
