#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The place table (qel-tz table) as firmware uses it, for Debian's tzdata
2025b and 2026f (fetched with ci/fetch_tzdata.sh): each table twice gives
byte-identical files; they compile warning-free with the library; a consumer
(tests/c/place_table_walk.c) walks every name from QEL_PLACES_FROM, writes
each span's record as a TZ string and has this C library read it, and the
UTC offsets it gives at every change and between them are those of the zone
file read by the C library (TZ=":name", TZDIR the release), in every span
not declared approximate; and the two tables differ only in the places
qel-tz diff names. Usage: place_table_test.py qel-tz CC INCLUDE_DIR LIB_DIR
[EMULATOR]: with an emulator, the consumer is built by CC for the device and
run by it, the zone files still read by this machine's C library."""
import filecmp
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
tool, cc, include, lib = sys.argv[1:5]
emulator = sys.argv[5:]
work = tempfile.mkdtemp()
WALK = os.path.join(HERE, "c", "place_table_walk.c")
WARNINGS = ["-std=c99", "-Wall", "-Wextra", "-Wpedantic", "-Wconversion", "-Werror"]


def release(version):
    cache = os.environ.get("QEL_TZDATA_CACHE", work)
    fetch = subprocess.run([os.path.join(HERE, "..", "ci", "fetch_tzdata.sh"), version,
                            os.path.join(cache, "tzdata-" + version)], capture_output=True, text=True)
    if fetch.returncode != 0:
        print(f"tzdata {version} cannot be fetched; skipped:\n{fetch.stderr}")
        sys.exit(77)
    return fetch.stdout.strip()


def walker(compiler, table, name, extra=()):
    out = os.path.join(work, name)
    subprocess.run([compiler, *WARNINGS, "-O2", "-I" + include, "-I" + table, WALK,
                    os.path.join(table, "qel_places.c"), "-L" + lib, "-lqeltime", "-Wl,-rpath," + lib, *extra,
                    "-o", out], check=True)
    return out


failures, walks = [], {}
for version in ("2025b", "2026f"):
    tzdir = release(version)
    tables = [os.path.join(work, f"{version}-{n}") for n in (1, 2)]
    for table in tables:
        subprocess.run([tool, "table", "--tzdir", tzdir, "--years", "2026-2036", "--links", "--out", table],
                       check=True, capture_output=True)
    for name in ("qel_places.h", "qel_places.c"):
        if not filecmp.cmp(*(os.path.join(t, name) for t in tables), shallow=False):
            failures.append(f"{version}: two runs give different {name}")
    spans = subprocess.run([*emulator, walker(cc, tables[0], "walk-" + version)], check=True, capture_output=True,
                           text=True).stdout
    zone = walker("cc", tables[0], "zone-" + version) if emulator else os.path.join(work, "walk-" + version)
    zones = subprocess.run([zone, "--zone"], input=spans, env=dict(os.environ, TZDIR=tzdir), check=True,
                           capture_output=True, text=True).stdout
    walks[version] = {}
    for line, file in zip(spans.splitlines(), zones.splitlines()):
        name, start, until, kind, *offsets = line.split()
        walks[version].setdefault(name, []).append((start, until, kind, offsets))
        if kind == "e" and [name, start, until, *offsets] != file.split():
            failures.append(f"{version} {name} from {start}: the record gives {offsets}, the zone file {file}")
    kinds = [s[2] for spans in walks[version].values() for s in spans]
    print(f"{version}: {len(walks[version])} names, {len(kinds)} spans: {kinds.count('e')} as the zone files, "
          f"{kinds.count('a')} declared approximate, {kinds.count('n')} without a record")
    walks[version + "dir"] = tzdir

# The places whose spans changed are those diff names, with their links.
diff = json.loads(subprocess.run([tool, "diff", walks["2025bdir"], walks["2026fdir"], "--years", "2026-2036",
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
