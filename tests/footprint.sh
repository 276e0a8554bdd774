#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Footprint of the device library: builds it for 32-bit ARM at -Os, against
# glibc, musl and uClibc-ng, and prints for each its code and data sizes, its
# file size stripped, the largest stack frame of an exported function, its
# run-time dependencies and its exported symbols. Exits non-zero when a
# target is missed by either: code and read-only data under 12 KiB, no
# exported frame over 512 bytes, the C library as the only dependency
# (uClibc-ng is built static only: there the library depends on nothing, and
# every call it imports must be defined by uClibc-ng's libc.a), exactly the
# qel_ functions of the public header exported, each with the symbol version
# of the build's time_t, and only the C library calls of the list below
# imported.
# With no static or global object of its own (checked on libqeltime.a), that
# proves the library allocates nothing and keeps no state between calls, so
# that any number of threads may call it at once.
set -euo pipefail
cd "$(dirname "$0")/.."

tools=arm-linux-gnueabihf
status=0
# Reentrant calls that never touch the heap, and the names musl's headers give
# the time calls for its 64-bit time_t on 32-bit targets; raise is libgcc's
# division by zero, the rest the tool chain's start-up and shutdown hooks.
allowed="time clock_gettime clock_settime gettimeofday sysinfo syscall localtime_r gmtime_r mktime strftime strptime
__time64 __clock_gettime64 __clock_settime64 __gettimeofday_time64 __localtime64_r __gmtime64_r __mktime64
memcpy memset strlen strnlen raise __cxa_finalize __gmon_start__ _ITM_deregisterTMCloneTable _ITM_registerTMCloneTable"
fail() { echo "FOOTPRINT FAILURE ($label): $*"; status=1; }

# preset, the C library's name for the report, its file name as a dependency
# (empty: none), and for a C library built static only its libc.a
report() {
    preset=$1
    label=$2
    libc=$3
    libc_archive=${4:-}
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    build=build/$preset
    lib=$build/libqeltime.so
    echo "== $label"

    # Allocated sections by their flags: executable = code, read-only = read-only
    # data (including the dynamic symbol tables and relocations), writable = data.
    read -r code rodata data < <($tools-readelf -S -W "$lib" | awk '
        function hex(s,   i, n) { n = 0; for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1; return n }
        /^ *\[ *[0-9]+\]/ {
            sub(/^ *\[ *[0-9]+\] */, "")
            flags = $7; size = hex($5)
            if (flags !~ /A/) next
            if (flags ~ /X/) code += size; else if (flags ~ /W/) data += size; else ro += size
        }
        END { print code + 0, ro + 0, data + 0 }')
    text_rodata=$(($code + $rodata))
    echo "library:            $lib (32-bit ARM, -Os, $label)"
    echo "code:               $code bytes"
    echo "read-only data:     $rodata bytes (symbol tables and relocations included)"
    echo "code + read-only:   $text_rodata bytes (target: under 12288)"
    echo "writable data:      $data bytes"
    $tools-strip -o "$lib.stripped" "$lib"
    echo "file, stripped:     $(stat -c %s "$lib.stripped") bytes"
    [ "$text_rodata" -lt 12288 ] || fail "code and read-only data are $text_rodata bytes"

    # Stack frames from -fstack-usage: "file:line:col:signature<TAB>bytes<TAB>kind".
    frames=$(find "$build/CMakeFiles/qeltime.dir" -name '*.su' -exec cat {} + | awk -F'\t' '{
        sig = $1; sub(/^[^:]*:[0-9]+:[0-9]+:/, "", sig)
        name = sig; sub(/\(.*/, "", name); sub(/.* /, "", name)
        print $2, name, $3 }' | sort -n -r)
    largest=$(echo "$frames" | awk '$2 ~ /^qel_/ { print; exit }')
    echo "largest exported stack frame: ${largest:-none} (target: at most 512 bytes)"
    echo "largest internal stack frame: $(echo "$frames" | head -n 1)"
    echo "$frames" | awk '$2 ~ /^qel_/ && $3 != "static" { bad = 1 } END { exit bad }' ||
        fail "an exported function has a dynamic stack frame"
    [ "$(echo "$largest" | awk '{print $1}')" -le 512 ] || fail "stack frame over 512 bytes: $largest"

    needed=$($tools-readelf -d "$lib" | awk '/NEEDED/ { gsub(/[\[\]]/, "", $5); print $5 }' | sort | tr '\n' ' ')
    echo "run-time dependencies: ${needed:-none}"
    [ "$needed" = "${libc:+$libc }" ] || fail "dependencies are: $needed"

    imported=$($tools-nm -D --undefined-only "$lib" | awk '{ sub(/@.*/, "", $NF); print $NF }' | sort)
    others=$(comm -23 <(echo "$imported") <(echo $allowed | tr ' ' '\n' | sort))
    echo "imported: $(echo $imported)"
    [ -z "$others" ] || fail "imports calls outside the allowed list: $(echo $others)"
    if [ -n "$libc_archive" ]; then
        # Strong imports (the weak ones are the tool chain's optional hooks).
        strong=$($tools-nm -D --undefined-only "$lib" | awk '$1 == "U" { sub(/@.*/, "", $2); print $2 }' | sort)
        unresolved=$(comm -23 <(echo "$strong") <($tools-nm --defined-only "$libc_archive" 2>/dev/null |
            awk '$2 ~ /^[TW]$/ { print $3 }' | sort -u))
        echo "imports defined by $(basename "$libc_archive"): $(($(echo "$strong" | wc -l) - $(echo "$unresolved" | grep -c .))) of $(echo "$strong" | wc -l)"
        [ -z "$unresolved" ] || fail "imports the C library does not define: $(echo $unresolved)"
    fi

    # Each export is name@@version; the version's own name is an absolute symbol.
    exported=$($tools-nm -D --defined-only "$lib" | awk '$2 != "A" { sub(/@.*/, "", $3); print $3 }' | sort)
    bits=$(sed -n 's/^#define QEL_TIME_BITS \([0-9]*\)$/\1/p' "$build/include/qel_time.h")
    versions=$($tools-nm -D --defined-only "$lib" | awk '$2 != "A" { sub(/^[^@]*@*/, "", $3); print $3 }' | sort -u)
    echo "symbol version: $versions (time_t of $bits bits)"
    [ "$versions" = "QELTIME_1_time_t$bits" ] || fail "exports carry the versions $(echo $versions), not QELTIME_1_time_t$bits"
    declared=$(grep -o '^QEL_API [^(]*(' include/qel_time.h | sed 's/.*[ *]\([a-z_0-9]*\)($/\1/' | sort)
    echo "exported symbols: $(echo "$exported" | wc -l) ($(echo "$declared" | wc -l) declared in qel_time.h)"
    if [ "$exported" != "$declared" ]; then
        fail "exported symbols differ from the header's functions:"
        diff <(echo "$declared") <(echo "$exported") || true
    fi
    [ "$(echo "$exported" | wc -l)" -eq 27 ] || fail "expected 27 exported functions"

    summary+=("$(printf '%-9s %6d bytes code + read-only, %4d writable, largest exported frame %s, needs %s, %d exports' \
        "$label" "$text_rodata" "$data" "$(echo "$largest" | awk '{print $1 " (" $2 ")"}')" "$(needs=${needed% }; echo "${needs:-nothing}")" "$(echo "$exported" | wc -l)")")
}

summary=()
report arm32-size glibc libc.so.6
report musl-arm32-size musl libc.so
ci/uclibc_build.sh armhf
report uclibc-arm32-size uclibc-ng "" build/uclibc-ng/armhf/sysroot/lib/libc.a
# What a static link of the typical request takes from libqeltime.a: the
# example linked with unused sections dropped, its link map summed over the
# archive's members. Arguments: the preset of the archive, the C library's
# name, and for a C library the compiler does not link by itself its
# compile flags, start files and end files. A fully static program (on
# uClibc-ng) is run too.
static_link() {
    local preset=$1 compile=${3:-} start=${4:-} end=${5:-}
    label=$2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    local archive=build/$preset/libqeltime.a program=build/$preset/typical_request
    # shellcheck disable=SC2086 # the flag lists are split on purpose
    $tools-gcc -Os -std=c99 -ffunction-sections -fdata-sections $compile -Iinclude -o "$program" $start \
        examples/typical_request.c "$archive" $end -Wl,--gc-sections -Wl,-Map="$program.map"
    local bytes
    bytes=$(awk '
        function hex(s,   i, n) { s = tolower(substr(s, 3)); n = 0; for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1; return n }
        /^Linker script and memory map/ { kept = 1 }
        kept && /libqeltime\.a\(/ && $(NF - 1) ~ /^0x/ { total += hex($(NF - 1)) }
        END { print total + 0 }' "$program.map")
    echo "== static link (32-bit ARM, -Os, $label)"
    local objects
    objects=$($tools-nm "$archive" | awk 'NF == 3 && $2 ~ /[bBcCdDgGsSvV]/ { print $3 }')
    echo "static or global objects in libqeltime.a: ${objects:-none}"
    [ -z "$objects" ] || fail "libqeltime.a defines static or global objects: $(echo $objects)"
    echo "the typical request linked with libqeltime.a takes $bytes bytes of the library (code and data)"
    [ "$bytes" -gt 0 ] && [ "$bytes" -lt 12288 ] || fail "static link takes $bytes bytes"
    if [ -n "$start" ]; then
        qemu-arm "$program" >/dev/null || fail "the statically linked typical request fails under qemu-arm"
    fi
    summary+=("$(printf '%-9s static link of the typical request: %d bytes of libqeltime.a' "$label" "$bytes")")
}

static_link arm32-static glibc
flags=$(cmake -D QEL_UCLIBC_ARCH=armhf -D QEL_UCLIBC_GCC=$tools-gcc -P cmake/uclibc_flags.cmake 2>&1)
static_link uclibc-arm32-static uclibc-ng "$(sed -n 's/^compile //p' <<<"$flags")" \
    "$(sed -n 's/^start //p' <<<"$flags")" "$(sed -n 's/^end //p' <<<"$flags")"

echo "== side by side (32-bit ARM, -Os)"
printf '%s\n' "${summary[@]}"
[ $status -eq 0 ] && echo "footprint: all targets met"
exit $status
