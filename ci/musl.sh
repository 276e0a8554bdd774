#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The library on musl: builds it and the C tests against musl for amd64 and
# for 32-bit ARM and runs them (under qemu-arm for ARM). How musl reads the
# TZ strings the library writes is compared with glibc's reading by the
# readers' test (tests/tools/test_libraries.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
for preset in musl musl-arm32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    ctest --preset "$preset" || status=1
done
exit $status
