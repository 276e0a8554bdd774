#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The place table (qel-tz table) as firmware uses it, for Debian's tzdata
2025b and 2026f (tests/c/CMakeLists.txt fetches them and builds a consumer,
tests/c/place_table_walk.c, with each table, warning-free, for this build's
C library): each table written twice gives byte-identical files; the
consumer walks every name from QEL_PLACES_FROM, writes each span's record as
a TZ string and has its C library read it (under the emulator, if any), and
the UTC offsets it gives at every change and between them are those the
zone file gives, read by a host walker (TZ=":name", TZDIR the release), in
every span not declared approximate; and the two tables differ only in the
places qel-tz diff names. Usage: place_table_test.py QEL_TZ HOST_WALK
TZDIR_2025B WALK_2025B TZDIR_2026F WALK_2026F [EMULATOR...]"""
import filecmp
import json
import os
import subprocess
import sys
import tempfile

tool, zone = sys.argv[1:3]
releases = {"2025b": sys.argv[3:5], "2026f": sys.argv[5:7]}
emulator = sys.argv[7:]
work = tempfile.mkdtemp()
failures, walks = [], {}
for version, (tzdir, walk) in releases.items():
    tables = [os.path.join(work, f"{version}-{n}") for n in (1, 2)]
    for table in tables:
        subprocess.run([tool, "table", "--tzdir", tzdir, "--years", "2026-2036", "--links", "--out", table],
                       check=True, capture_output=True)
    for name in ("qel_places.h", "qel_places.c"):
        if not filecmp.cmp(*(os.path.join(t, name) for t in tables), shallow=False):
            failures.append(f"{version}: two runs give different {name}")
    spans = subprocess.run([*emulator, walk], check=True, capture_output=True, text=True).stdout
    zones = subprocess.run([zone, "--zone"], input=spans, env=dict(os.environ, TZDIR=tzdir), check=True,
                           capture_output=True, text=True).stdout
    walks[version] = {}
    if len(spans.splitlines()) != len(zones.splitlines()):
        failures.append(f"{version}: the host walker read {len(zones.splitlines())} of {len(spans.splitlines())} spans")
    for line, file in zip(spans.splitlines(), zones.splitlines()):
        name, start, until, kind, *offsets = line.split()
        walks[version].setdefault(name, []).append((start, until, kind, offsets))
        if kind == "e" and [name, start, until, *offsets] != file.split():
            failures.append(f"{version} {name} from {start}: the record gives {offsets}, the zone file {file}")
    kinds = [s[2] for spans in walks[version].values() for s in spans]
    print(f"{version}: {len(walks[version])} names, {len(kinds)} spans: {kinds.count('e')} as the zone files, "
          f"{kinds.count('a')} declared approximate, {kinds.count('n')} without a record")

# The places whose spans changed are those diff names, with their links.
diff = json.loads(subprocess.run([tool, "diff", releases["2025b"][0], releases["2026f"][0], "--years", "2026-2036",
                                  "--json"], capture_output=True, text=True).stdout)
named = {n for p in diff["places"] for n in [p["place"], *p["also"]]}
changed = {n for n in walks["2026f"] if walks["2026f"][n] != walks["2025b"].get(n)}
if changed != named:
    failures.append(f"changed in the tables but not named by diff: {sorted(changed - named)}; "
                    f"named but unchanged: {sorted(named - changed)}")
print(f"2025b to 2026f: {len(changed)} names changed, as diff says")
for f in failures:
    print("FAIL: " + f)
sys.exit(1 if failures else 0)
