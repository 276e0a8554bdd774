#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A release of the tz database other than the machine's, as Debian packages
# it: downloaded with apt-get once and unpacked into DIR (the machine's own
# database is never touched), then kept. Prints the folder of its compiled
# zones. Usage: ci/tzdata_release.sh VERSION DIR   (VERSION: 2026f-0+deb12u1)
set -eu
version=$1 dir=$2
zones=$dir/usr/share/zoneinfo
if [ ! -f "$zones/tzdata.zi" ]; then
    scratch=$(mktemp -d)
    chmod 755 "$scratch"  # apt-get downloads as _apt where it can
    trap 'rm -rf "$scratch"' EXIT
    (cd "$scratch" && apt-get download -q "tzdata=$version" >/dev/null)
    mkdir -p "$dir"
    dpkg-deb -x "$scratch"/tzdata_*.deb "$dir"
fi
echo "$zones"
