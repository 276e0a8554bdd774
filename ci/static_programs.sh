#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Proves qel_static_c_program (cmake/static_reader.cmake): builds
# ci/static_program.c with it against the host's uClibc-ng (which
# ci/uclibc_build.sh amd64 must have built) and against newlib for ARM, in a
# scratch project under $TMPDIR, runs both (newlib's under qemu-arm, stdin
# and stdout through semihosting) on a TZ string, and checks what each says:
# its C library and version as the build found them, and the local time.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD

scratch=$(mktemp -d "${TMPDIR:-/tmp}/qel-static-programs.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cat >"$scratch/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.20)
project(static_programs C)
set(QEL_UCLIBC_DIR $source/build/uclibc-ng)
include($source/cmake/static_reader.cmake)
foreach(libc uclibc-ng newlib)
  qel_static_c_program(program-\${libc} \${libc} $source/ci/static_program.c)
  get_target_property(version program-\${libc} QEL_LIBC_VERSION)
  get_target_property(emulator program-\${libc} QEL_EMULATOR)
  get_target_property(program program-\${libc} QEL_PROGRAM)
  file(APPEND \${CMAKE_BINARY_DIR}/programs.txt "\${libc}\t\${version}\t\${emulator}\t\${program}\n")
endforeach()
CMAKE
cmake -S "$scratch" -B "$scratch/build" >/dev/null
cmake --build "$scratch/build" >/dev/null

status=0
while IFS=$'\t' read -r libc version emulator program; do
    case $libc in
        uclibc-ng) name=uClibc-ng ;;
        *) name=$libc ;;
    esac
    want="$name $version 2026-03-29 03:00:00 isdst=1"
    # shellcheck disable=SC2086 # no emulator: an empty word list
    got=$(printf 'CET-1CEST,M3.5.0,M10.5.0/3\n' | $emulator "$program") || got="(exit status $?)"
    if [ "$got" = "$want" ]; then
        echo "static program on $libc: $got"
    else
        echo "static program on $libc: '$got', expected '$want'"
        status=1
    fi
done <"$scratch/build/programs.txt"
exit $status
