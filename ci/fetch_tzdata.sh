#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fetches a release of the tz database as Debian ships it (tzdata VERSION for
# Debian 12, from the archive through apt-get download) and extracts it into
# DEST, once; the machine's own database is never touched. A mirror may fail
# for a moment: a few tries. Prints the folder of its compiled zones.
# Usage: ci/fetch_tzdata.sh VERSION DEST      (e.g. 2026f "$TMPDIR/tzdata-2026f")
set -euo pipefail
version=$1 dest=$2
zoneinfo=$dest/usr/share/zoneinfo
if [ ! -f "$zoneinfo/tzdata.zi" ]; then
    scratch=$(mktemp -d)
    chmod 755 "$scratch" # apt-get downloads as _apt where it can
    trap 'rm -rf "$scratch"' EXIT
    for try in 1 2 3 4; do
        (cd "$scratch" && apt-get download -qq "tzdata=$version-0+deb12u1") >&2 && break
        [ "$try" -lt 4 ] || { echo "fetch_tzdata.sh: cannot download tzdata $version" >&2; exit 1; }
        sleep $((try * 10))
    done
    mkdir -p "$dest"
    dpkg-deb -x "$scratch"/tzdata_*.deb "$dest"
fi
echo "$zoneinfo"
