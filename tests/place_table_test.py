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
places qel-tz diff names. A table labelled long is walked for its records
only, which must be those its JSON gives. Usage: place_table_test.py QEL_TZ HOST_WALK N
(LABEL TZDIR WALK ARGS)*N [EMULATOR...], a table each: its label (2025b,
2026f, long or another), database, consumer and the arguments it was written
with, in one word."""
import datetime
import filecmp
import json
import os
import subprocess
import sys
import tempfile

tool, zone, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
tables = {sys.argv[i]: sys.argv[i + 1:i + 4] for i in range(4, 4 + 4 * count, 4)}
emulator = sys.argv[4 + 4 * count:]
work = tempfile.mkdtemp()
failures, walks = [], {}


def table_spans(tzdir, args):
    """Each name's spans as the table's JSON gives them, merged where the C
    table merges them: NAME FROM UNTIL KIND [TZ]."""
    table = json.loads(subprocess.run([tool, "table", "--tzdir", tzdir, *args.split(), "--json"], check=True,
                                      capture_output=True, text=True).stdout)
    when = lambda t: str(int(datetime.datetime.fromisoformat(t.replace("Z", "+00:00")).timestamp()))
    lines = []
    for place in table["places"]:
        spans = []
        for s in place["spans"]:
            what = ["n" if s["tz"] is None else "a" if s["approximate"] else "e", *[s["tz"]] * (s["tz"] is not None)]
            if spans and spans[-1][2:] == what:
                spans[-1][1] = when(s["until"])
            else:
                spans.append([when(s["from"]), when(s["until"]), *what])
        lines += [" ".join([n, *s]) for n in [place["place"], *place["aliases"]] for s in spans]
    return lines


# A long window's table (more records, rules and spans than a byte counts):
# its consumer gives each name's spans and records as the JSON does.
if "long" in tables:
    tzdir, walk, args = tables.pop("long")
    got = subprocess.run([*emulator, walk, "--records"], check=True, capture_output=True, text=True).stdout
    wanted = table_spans(tzdir, args)
    wrong = sorted(set(got.splitlines()) ^ set(wanted))
    print(f"long: {len(wanted)} spans, {len(wrong)} differ between the consumer and the JSON")
    failures += [f"long: the consumer and the JSON differ in {line}" for line in wrong[:10]]

for version, (tzdir, walk, args) in tables.items():
    outs = [os.path.join(work, f"{version}-{n}") for n in (1, 2)]
    for out in outs:
        subprocess.run([tool, "table", "--tzdir", tzdir, *args.split(), "--out", out], check=True, capture_output=True)
    for name in ("qel_places.h", "qel_places.c"):
        if not filecmp.cmp(*(os.path.join(t, name) for t in outs), shallow=False):
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
    if version == "history" and not kinds.count("n"):
        failures.append("history: no span without a record, which the table must be able to say")

# The places whose spans changed are those diff names, with their links.
diff = json.loads(subprocess.run([tool, "diff", tables["2025b"][0], tables["2026f"][0], "--years", "2026-2036",
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
