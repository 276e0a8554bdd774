#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds uClibc-ng, static only, from Debian's uclibc-source for one
# architecture, into build/uclibc-ng/<arch>/ (amd64, or armhf: 32-bit ARM,
# hard-float EABI). Usage: ci/uclibc_build.sh amd64|armhf
#
# Nothing happens when that folder already holds a build made from the same
# source by the same script (its file "complete" says which). What it leaves:
#   sysroot/include, sysroot/lib   uClibc-ng's headers, start files and libc.a
#   kernel-headers/                links to the system's linux/, asm/ and
#                                  asm-generic/ for that architecture
#   version                        uClibc-ng's version, from its headers
#   config, build.log              the configuration it was built with, and how
# cmake/uclibc.cmake and cmake/static_reader.cmake build programs against it.
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:?usage: ci/uclibc_build.sh amd64|armhf}
tarball=$(ls /usr/src/uClibc-ng-*.tar.* 2>/dev/null | sort -V | tail -n 1 || true)
[ -n "$tarball" ] || { echo "uClibc-ng: no source in /usr/src (Debian package uclibc-source)"; exit 1; }

case $arch in
    amd64)
        debian_config=config-amd64
        cross=""
        headers_arch=/usr/include/x86_64-linux-gnu/asm
        headers=/usr/include
        ;;
    armhf)
        debian_config=config-armel
        cross=arm-linux-gnueabihf-
        headers_arch=/usr/arm-linux-gnueabihf/include/asm
        headers=/usr/arm-linux-gnueabihf/include
        ;;
    *) echo "uClibc-ng: unknown architecture '$arch' (amd64 or armhf)"; exit 2 ;;
esac

# Changes to Debian's configuration, one "NAME=value" (or "NAME=n" for off)
# a line. Debian's configs build the shared library and its loader, ask for
# a thread library this version no longer has (so that olddefconfig would
# build none), and the ARM one is for soft-float armel. Here uClibc-ng is
# built static only (the test programs link it statically), with its native
# threads as a device has them (the C library then locks its timezone state),
# installed under one prefix, and for ARM with the FPU and the cross
# compiler's hard-float calling convention.
options="HAVE_SHARED=n
UCLIBC_HAS_THREADS_NATIVE=y
RUNTIME_PREFIX=\"/\"
DEVEL_PREFIX=\"/\"
MULTILIB_DIR=\"lib\"
CROSS_COMPILER_PREFIX=\"$cross\"
UCLIBC_EXTRA_CFLAGS=\"\"
DOSTRIP=n"
if [ "$arch" = armhf ]; then
    options+="
UCLIBC_HAS_FPU=y
UCLIBC_HAS_SOFT_FLOAT=n"
fi

dir=build/uclibc-ng/$arch
# What the build is made from: the source, and this script with its options.
key="$(basename "$tarball") $(stat -c %s "$tarball") $(sha256sum <"$0" | cut -c1-16)"
if [ -f "$dir/complete" ] && [ "$(cat "$dir/complete")" = "$key" ] && [ -f "$dir/sysroot/lib/libc.a" ]; then
    echo "uClibc-ng $arch: $(cat "$dir/version") already built in $dir"
    exit 0
fi

start=$(date +%s)
rm -rf "$dir"
mkdir -p "$dir/src" "$dir/kernel-headers"
dir=$(cd "$dir" && pwd)
tar -xf "$tarball" -C "$dir/src" --strip-components=1

# uClibc-ng wants one folder with linux/, asm/ and asm-generic/.
ln -s "$headers/linux" "$dir/kernel-headers/linux"
ln -s "$headers_arch" "$dir/kernel-headers/asm"
ln -s "$headers/asm-generic" "$dir/kernel-headers/asm-generic"
for d in linux asm asm-generic; do
    [ -d "$dir/kernel-headers/$d/" ] || { echo "uClibc-ng $arch: no kernel headers $d/ (linux-libc-dev)"; exit 1; }
done

config=$dir/src/.config
cp "$dir/src/debian/$debian_config" "$config"
set_option() {
    local name=$1 value=$2
    sed -i -e "/^$name=/d" -e "/^# $name is not set\$/d" "$config"
    if [ "$value" = n ]; then
        echo "# $name is not set" >>"$config"
    else
        echo "$name=$value" >>"$config"
    fi
}
while IFS='=' read -r name value; do
    set_option "$name" "$value"
done <<<"$options
KERNEL_HEADERS=\"$dir/kernel-headers\""

log=$dir/build.log
jobs=${QEL_JOBS:-2}
(
    cd "$dir/src"
    make olddefconfig
    make -j"$jobs"
    make install PREFIX="$dir/sysroot"
) >"$log" 2>&1 || { tail -n 30 "$log"; echo "uClibc-ng $arch: build failed (log: $log)"; exit 1; }
# Each option asked for must have survived olddefconfig.
while IFS='=' read -r name value; do
    if [ "$value" = n ]; then
        ! grep -q "^$name=" "$config" || { echo "uClibc-ng $arch: option $name did not stay off"; exit 1; }
    else
        grep -qxF "$name=$value" "$config" || { echo "uClibc-ng $arch: option $name=$value was not taken"; exit 1; }
    fi
done <<<"$options"

# In this version, built without the shared loader, the static start-up
# code refers to two variables that only the loader's libdl defines, so
# nothing does: _dl_pagesize (filled from the kernel's auxiliary vector at
# start-up) and _dl_tls_static_size (the static TLS block's size, which the
# start-up code computes; its initial value is the room kept for modules
# loaded later, none in a static program). Their definitions go into libc.a.
printf '#include <stddef.h>\nsize_t _dl_pagesize;\nsize_t _dl_tls_static_size;\n' >"$dir/static_loader_vars.c"
"${cross}gcc" -O2 -c -nostdinc -isystem "$dir/sysroot/include" -isystem "$("${cross}gcc" -print-file-name=include)" \
    "$dir/static_loader_vars.c" -o "$dir/static_loader_vars.o"
"${cross}ar" rs "$dir/sysroot/lib/libc.a" "$dir/static_loader_vars.o"

awk '/define __UCLIBC_MAJOR__/ { a = $3 } /define __UCLIBC_MINOR__/ { b = $3 } /define __UCLIBC_SUBLEVEL__/ { c = $3 }
     END { print a "." b "." c }' "$dir/sysroot/include/features.h" "$dir/sysroot/include/bits/uClibc_config.h" >"$dir/version"
cp "$config" "$dir/config"
rm -rf "$dir/src"
echo "$key" >"$dir/complete"
echo "uClibc-ng $arch: $(cat "$dir/version") built in $dir in $(($(date +%s) - start)) s"
