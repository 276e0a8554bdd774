#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that the library keeps the binary interface promised by its SONAME.
# For each build (the host, the 32-bit ARM device, and the device with a
# 64-bit time_t) it builds the library with debug information, describes its
# interface with abidw (only the types of the public header count) and
# compares that with the committed baseline tests/abi/<SONAME>-<build>.abi
# using abidiff. Any difference fails: a changed type, parameter or field, a
# removed export and an added one alike (the library exports exactly its 27
# functions), and a changed symbol version. Then it shows that the check bites: the library built against a
# copy of the header with one field widened must fail the comparison.
#
# Usage: tests/abi_check.sh            compare every build with its baseline
#        tests/abi_check.sh --new      write the baselines of a new SONAME
# --new never overwrites a baseline: an incompatible change takes a new
# SONAME, and so new files beside the old ones.
set -euo pipefail
cd "$(dirname "$0")/.."

builds=("amd64 dev" "armhf arm32" "armhf-time64 arm32-time64")
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-abi.XXXXXX")
trap 'rm -rf "$work"' EXIT

describe() { # library, headers folder, output file
    abidw --headers-dir "$2" --drop-undefined-syms --no-corpus-path --no-comp-dir-path \
        --no-show-locs --out-file "$3" "$1"
}

soname() { readelf -d "$1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p'; }

# Compares a library with a baseline; prints abidiff's report on a difference.
compare() { # baseline, library, headers folder, label
    describe "$2" "$3" "$work/current.abi"
    if abidiff "$1" "$work/current.abi" >"$work/report.txt" 2>&1; then
        echo "abi $4: same as $(basename "$1")"
        return 0
    fi
    echo "abi $4: differs from $(basename "$1"):"
    sed 's/^/    /' "$work/report.txt"
    return 1
}

library_of() { # preset: builds the library alone and names it
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" --target qeltime >/dev/null
    echo "build/$1/libqeltime.so"
}

status=0
for entry in "${builds[@]}"; do
    read -r name preset <<<"$entry"
    lib=$(library_of "$preset")
    headers=build/$preset/include # the header the library was built with
    baseline=tests/abi/$(soname "$lib")-$name.abi
    if [ "${1:-}" = --new ]; then
        [ ! -e "$baseline" ] || { echo "abi $name: $baseline exists; a new interface needs a new SONAME"; exit 1; }
        mkdir -p tests/abi
        describe "$lib" "$headers" "$baseline"
        echo "abi $name: wrote $baseline"
    elif [ ! -e "$baseline" ]; then
        echo "abi $name: no baseline $baseline (a new SONAME takes tests/abi_check.sh --new)"
        status=1
    else
        compare "$baseline" "$lib" "$headers" "$name" || status=1
    fi
done
[ "${1:-}" = --new ] && exit 0

# The check must bite: qel_tzrule.reserved widened to 64 bits in a copy of the
# header, which the library's sources then include in place of the real one.
mkdir -p "$work/include"
sed 's/second, reserved;/second;\n    int64_t reserved;/' include/qel_time.h >"$work/include/qel_time.h"
if cmp -s include/qel_time.h "$work/include/qel_time.h"; then
    echo "abi self-test: the header no longer has the field it widens"
    exit 1
fi
cmake -S . -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_EXAMPLES=OFF \
    -DCMAKE_CXX_FLAGS="-include $work/include/qel_time.h" >/dev/null
cmake --build "$work/build" --target qeltime >/dev/null
lib=$work/build/libqeltime.so
if compare "tests/abi/$(soname "$lib")-amd64.abi" "$lib" "$work/include" "self-test (reserved widened)" >"$work/self.txt"; then
    cat "$work/self.txt"
    echo "abi self-test: a widened field went unnoticed"
    status=1
elif grep -q "qel_tzset" "$work/self.txt"; then
    echo "abi self-test: a widened field in qel_tzrule fails the check, as it must"
else
    cat "$work/self.txt"
    echo "abi self-test: the check failed, but not on qel_tzset"
    status=1
fi
exit $status
