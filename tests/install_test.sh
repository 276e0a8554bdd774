#!/usr/bin/env bash
# Installs the build tree given as $1 into a temporary prefix and builds the C
# example against the installed library both ways a user would: through the
# CMake package (find_package(qeltime CONFIG), target qeltime::qeltime) and
# through pkg-config. Both programs and the installed qel-tz must run.
set -euo pipefail
build=$1
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in include/qel_time.h lib/libqeltime.so.1 lib/cmake/qeltime/qeltimeConfig.cmake lib/pkgconfig/qeltime.pc bin/qel-tz; do
    [ -e "$work/prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
soname=$(readelf -d "$work/prefix/lib/libqeltime.so.1" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[ "$soname" = "libqeltime.so.1" ] || { echo "SONAME is $soname"; exit 1; }

cmake -S "$src/examples/consumer" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
# Both consumers must find the library by themselves, through the run path the
# installed package files give them.
unset LD_LIBRARY_PATH
"$work/cmake-build/typical_request" >/dev/null
echo "find_package(qeltime): built and ran the C example"

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Werror -o "$work/pc-example" "$src/examples/typical_request.c" $(pkg-config --cflags --libs qeltime)
"$work/pc-example" >/dev/null
echo "pkg-config qeltime: built and ran the C example"

"$work/prefix/bin/qel-tz" tz --zone 101 >/dev/null
echo "installed qel-tz runs"
