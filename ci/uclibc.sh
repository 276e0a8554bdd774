#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The library on uClibc-ng: builds uClibc-ng static from Debian's
# uclibc-source for amd64 and for 32-bit ARM (hard-float), once, into
# build/uclibc-ng/<arch>/ (ci/uclibc_build.sh; kept until the source or that
# script changes), then builds the library and the C tests against it and
# runs them (under qemu-arm for ARM). uClibc-ng is built static only, so the
# test programs link it and libqeltime.a statically. Last, it proves
# qel_static_c_program, which builds plain C programs statically against
# uClibc-ng and newlib (ci/static_programs.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

for arch in amd64 armhf; do
    ci/uclibc_build.sh "$arch"
done

status=0
for preset in uclibc uclibc-arm32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    ctest --preset "$preset" || status=1
done
ci/static_programs.sh || status=1
exit $status
