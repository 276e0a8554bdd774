#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The library as its users take it: installed with cmake, as Debian packages,
# and as a static library. A consumer is the C example built with pkg-config
# and with find_package and run. Installs the host build into a scratch prefix
# (file list, SONAME, and consumers that find the library through the run
# path alone, with no LD_LIBRARY_PATH). Builds the packages for amd64 and
# armhf and holds them to lintian (no errors); installs the amd64 ones into a
# scratch dpkg root, never into this machine's /usr, and runs consumers,
# `qel-tz place Europe/Berlin` and both man pages; installs the armhf library
# and development packages into another scratch root, where
# ci/armhf_consumers.sh cross-builds consumers with pkg-config and
# find_package, beside a _TIME_BITS=64 library, runs them under qemu-arm and
# sees every time_t mismatch refused. Then builds the static library, checks
# that a program linking it sees no names but the 27 qel_ functions and the
# library's own namespace and needs no run path, and runs consumers of it.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/qeltime-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "PACKAGES FAILURE: $*"
    status=1
}

consume() { # label, prefix, pkg-config folder
    local ok=true
    # shellcheck disable=SC2046
    cc -std=c99 -Wall -Werror -o "$work/$1-pc" examples/typical_request.c \
        $(PKG_CONFIG_PATH=$3 pkg-config --cflags --libs qeltime) && "$work/$1-pc" >/dev/null ||
        { fail "$1: the C example with pkg-config"; ok=false; }
    cmake -S examples/consumer -B "$work/$1-cmake" -DCMAKE_PREFIX_PATH="$2" >/dev/null &&
        cmake --build "$work/$1-cmake" >/dev/null && "$work/$1-cmake/typical_request" >/dev/null ||
        { fail "$1: the C example with find_package"; ok=false; }
    ! $ok || echo "$1: C example built with pkg-config and find_package and run"
}

cmake --preset dev >/dev/null
cmake --build --preset dev >/dev/null
prefix=$work/prefix
cmake --install build/dev --prefix "$prefix" >/dev/null
for f in include/qel_time.h lib/libqeltime.so.1 lib/cmake/qeltime/qeltimeConfig.cmake lib/pkgconfig/qeltime.pc bin/qel-tz; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done
readelf -d "$prefix/lib/libqeltime.so.1" | grep -q 'SONAME.*\[libqeltime\.so\.1\]' || fail "SONAME is not libqeltime.so.1"
unset LD_LIBRARY_PATH # the installed files' run path alone must find the library
consume install "$prefix" "$prefix/lib/pkgconfig"
"$prefix/bin/qel-tz" tz --zone 101 >/dev/null || fail "the installed qel-tz"

for preset in deb deb-armhf; do
    rm -f build/$preset/*.deb
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset --target package >/dev/null 2>&1 || fail "packages of $preset not built"
done
debs=(build/deb/*.deb build/deb-armhf/*.deb)
[ ${#debs[@]} -eq 6 ] || fail "expected 6 packages, found: ${debs[*]}"
lintian --allow-root "${debs[@]}" >"$work/lintian.txt" 2>&1 || true
sed 's/^/  lintian: /' "$work/lintian.txt"
! grep -q '^E:' "$work/lintian.txt" || fail "lintian reports errors"

# A scratch dpkg root: dpkg's own database and nothing else. The packages'
# dependencies (libc6) are this machine's, and their scripts need no chroot.
scratch_install() { # root, packages...
    local root=$1
    shift
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
    touch "$root/var/lib/dpkg/status"
    dpkg --root="$root" --force-depends --force-architecture --force-script-chrootless --no-triggers \
        -i "$@" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; return 1; }
}

amd64=$work/amd64
scratch_install "$amd64" build/deb/*.deb || fail "dpkg could not install the amd64 packages"
lib=$amd64/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
export LD_LIBRARY_PATH=$lib
consume amd64-packages "$amd64/usr" "$lib/pkgconfig"
"$amd64/usr/bin/qel-tz" place Europe/Berlin >"$work/place.txt" && grep -q '^TZ verdict: *exact$' "$work/place.txt" ||
    fail "the packaged qel-tz place Europe/Berlin"
[ "$(man -l "$amd64/usr/share/man/man1/qel-tz.1.gz" 2>/dev/null | grep -c 'qel-tz place')" -gt 0 ] ||
    fail "the packaged qel-tz(1)"
version=$(PKG_CONFIG_PATH=$lib/pkgconfig pkg-config --modversion qeltime)
man -l "$amd64/usr/share/man/man3/qeltime.3.gz" 2>/dev/null | grep -q "qeltime $version" ||
    fail "the packaged qeltime(3) does not name version $version"
unset LD_LIBRARY_PATH
echo "amd64 packages: installed, qel-tz place and both man pages (qeltime $version) read"

armhf=$work/armhf
scratch_install "$armhf" build/deb-armhf/libqeltime1_*.deb build/deb-armhf/libqeltime-dev_*.deb ||
    fail "dpkg could not install the armhf packages"
ci/armhf_consumers.sh "$armhf/usr" "$work" || status=1

# The static library: only qel_ functions and the library's namespace are
# global names a program can see.
cmake --preset static >/dev/null
cmake --build --preset static >/dev/null
cmake --install build/static --prefix "$work/static" >/dev/null
archive=$(find "$work/static" -name libqeltime.a)
others=$(nm -g --defined-only "$archive" | awk 'NF == 3 { print $3 }' | c++filt |
    grep -v -E '^qel_[a-z_]+$|^qel::' | sort -u || true)
[ -z "$others" ] || fail "the static library defines other global names: $others"
echo "static library: $(nm -g --defined-only "$archive" | grep -c ' T qel_') qel_ functions, no other names but qel::"
consume static "$work/static" "$(dirname "$archive")/pkgconfig"
readelf -d "$work/static-pc" | grep -q 'libqeltime\|RUNPATH\|RPATH' && fail "the static consumer needs libqeltime.so or a run path"
exit $status
