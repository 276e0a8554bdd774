#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fetches a release of the tz database as Debian ships it (tzdata VERSION for
# Debian 12, from the archive through apt-get download) and extracts it into
# DEST, once: prints the folder of its compiled zones.
# Usage: ci/fetch_tzdata.sh VERSION DEST      (e.g. 2026f "$TMPDIR/tzdata-2026f")
set -euo pipefail
version=$1 dest=$2
zoneinfo=$dest/usr/share/zoneinfo
if [ ! -f "$zoneinfo/tzdata.zi" ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    (cd "$scratch" && apt-get download -qq "tzdata=$version-0+deb12u1") >&2
    dpkg-deb -x "$scratch"/tzdata_*.deb "$dest"
fi
echo "$zoneinfo"
