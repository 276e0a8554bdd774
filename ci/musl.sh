#!/usr/bin/env bash
# The library on musl: builds it and the C tests against musl for amd64 and
# for 32-bit ARM (under qemu-arm), runs them, and checks that musl's own TZ
# handling reads every TZ string of tests/c/tz_changes.c exactly as glibc
# does: the same offsets, daylight flags, abbreviations and change instants.
set -euo pipefail
cd "$(dirname "$0")/.."

# glibc's reading, from the host build.
cmake --preset dev >/dev/null
cmake --build --preset dev --target tz_changes >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-musl.XXXXXX")
trap 'rm -rf "$work"' EXIT
build/dev/tests/c/tz_changes >"$work/glibc.txt"

status=0
for preset in musl musl-arm32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    ctest --preset "$preset" || status=1
    emulator=()
    [ "$preset" = musl-arm32 ] && emulator=(qemu-arm)
    if ! "${emulator[@]}" "build/$preset/tests/c/tz_changes" >"$work/$preset.txt"; then
        echo "$preset: tz_changes failed"
        status=1
    elif diff "$work/glibc.txt" "$work/$preset.txt" >"$work/diff.txt"; then
        echo "$preset: musl reads all $(grep -c '^[^ z]' "$work/glibc.txt") TZ strings as glibc does" \
            "($(grep -c '^  at' "$work/glibc.txt") changes)"
    else
        echo "$preset: musl reads TZ strings differently from glibc (< glibc, > musl):"
        head -n 40 "$work/diff.txt"
        status=1
    fi
done
exit $status
