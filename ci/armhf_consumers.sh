#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The device library as a firmware build meets it, on 32-bit ARM with either
# width of time_t: the 32-bit-time_t library installed under ROOT32 (the
# armhf packages' /usr) and a _TIME_BITS=64 library built from the
# arm32-time64 preset and installed here. For each, the C example is
# cross-built through pkg-config and through find_package (the project's
# toolchain file, CMAKE_PREFIX_PATH naming the install) and run under
# qemu-arm. A mismatch must fail and name time_t: a program of the other
# width does not compile against a header (its #error), and one compiled
# against the other header does not load (its symbol version).
# Usage: ci/armhf_consumers.sh ROOT32 WORK   (run by ci/packages.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root32=$1
work=$2
arch=arm-linux-gnueabihf
sysroot=/usr/$arch
status=0
fail() {
    echo "ARMHF CONSUMERS FAILURE: $*"
    status=1
}

root64=$work/time64
cmake --preset arm32-time64 -B "$work/time64-build" -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_TOOLS=OFF \
    -DQEL_BUILD_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX="$root64" >/dev/null
cmake --build "$work/time64-build" >/dev/null
cmake --install "$work/time64-build" >/dev/null
declare -A libdir=([32]=$root32/lib/$arch [64]=$root64/lib) prefix=([32]=$root32 [64]=$root64)

run() { # program, library folder
    qemu-arm -L "$sysroot" -E LD_LIBRARY_PATH="$2:$sysroot/lib" "$1" >/dev/null
}
cross_cc() { "$arch-gcc" -std=c99 -Wall -Werror examples/typical_request.c "$@"; }
pkg_config() { PKG_CONFIG_LIBDIR=${libdir[$1]}/pkgconfig pkg-config "${@:2}" qeltime; }

for bits in 32 64; do
    # shellcheck disable=SC2046 # pkg-config's flags are split on purpose
    cross_cc -o "$work/pc$bits" $(pkg_config $bits --cflags --libs) && run "$work/pc$bits" "${libdir[$bits]}" ||
        fail "$bits-bit time_t: the C example with pkg-config"
    cmake -S examples/consumer -B "$work/cmake$bits" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$arch.cmake" \
        -DCMAKE_PREFIX_PATH="${prefix[$bits]}" >/dev/null && cmake --build "$work/cmake$bits" >/dev/null &&
        run "$work/cmake$bits/typical_request" "${libdir[$bits]}" ||
        fail "$bits-bit time_t: the C example with find_package"
    echo "armhf, $bits-bit time_t: C example cross-built with pkg-config and find_package, run under qemu-arm"
done

# A mismatch fails, and what it prints names time_t (and, for the compiler,
# the flag to add or drop).
refused() { # what, pattern, command...
    if "${@:3}" >"$work/refused.txt" 2>&1; then
        fail "$1: went through"
    elif grep -q -- "$2" "$work/refused.txt"; then
        echo "$1: refused: $(grep -m 1 -o -- "\(#error\|version\).*" "$work/refused.txt")"
    else
        fail "$1: failed without naming time_t: $(cat "$work/refused.txt")"
    fi
}
# shellcheck disable=SC2046
refused "-D_TIME_BITS=64 against the 32-bit library" 'time_t.*_TIME_BITS' \
    cross_cc -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64 -o "$work/mismatch" $(pkg_config 32 --cflags --libs)
refused "a plain program against the 64-bit library" 'time_t.*_TIME_BITS' \
    cross_cc -I"$root64/include" -o "$work/mismatch" -L"${libdir[64]}" -lqeltime
refused "the 64-bit program with the 32-bit library" 'time_t' run "$work/pc64" "${libdir[32]}"
refused "the 32-bit program with the 64-bit library" 'time_t' run "$work/pc32" "${libdir[64]}"
exit $status
