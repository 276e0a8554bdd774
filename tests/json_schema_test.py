#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Every JSON output of qel-tz, from real runs on this machine's tz database
and on the release fixtures (tests/releases/), validated against its schema
in docs/schema/ by an independent validator; the schemas' reason kinds
against the tool's table of them; and the CSV outputs' reason cells against
the JSON of the same run. Usage: json_schema_test.py path/to/qel-tz"""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

import jsonschema

HERE = os.path.dirname(os.path.abspath(__file__))
SCHEMAS = os.path.join(HERE, "..", "docs", "schema")
TZDIR = os.environ.get("TZDIR") or "/usr/share/zoneinfo"
ZIC = shutil.which("zic") or "/usr/sbin/zic"
if not os.path.exists(os.path.join(TZDIR, "Europe/Berlin")) or not os.access(ZIC, os.X_OK):
    print("no tz database in " + TZDIR + " or no zic; skipped")
    sys.exit(77)

schemas = {name: json.load(open(os.path.join(SCHEMAS, name), encoding="utf-8")) for name in os.listdir(SCHEMAS)}
try:  # jsonschema 4.18 and later resolve references through a registry
    import referencing
    from referencing.jsonschema import DRAFT202012

    registry = referencing.Registry().with_resources(
        (name, referencing.Resource.from_contents(s, DRAFT202012)) for name, s in schemas.items())

    def validator_of(schema):
        return jsonschema.Draft202012Validator(schema, registry=registry)
except ImportError:  # Debian 12's 4.10, through a resolver

    def validator_of(schema):
        return jsonschema.Draft202012Validator(schema, resolver=jsonschema.RefResolver("", schema, store=schemas))
failures = []

# A kind the tool has and the schema has not (or the other way round) fails here.
source = open(os.path.join(HERE, "..", "tools", "qel-tz", "judge", "reasons.cpp"), encoding="utf-8").read()
kinds = re.findall(r'\{ReasonKind::k\w+, "([^"]+)"', source)
if len(kinds) != source.count("{ReasonKind::k") or kinds != schemas["common.schema.json"]["$defs"]["reason_kind"]["enum"]:
    failures.append(f"the schema's reason kinds are not those of reasons.cpp: {kinds}")

work = tempfile.mkdtemp()
for release in ("old", "new"):
    zi = os.path.join(HERE, "releases", release + ".zi")
    subprocess.run([ZIC, "-b", "slim", "-d", os.path.join(work, release), zi], check=True)
    shutil.copy(zi, os.path.join(work, release, "tzdata.zi"))
old, new, fleet = os.path.join(work, "old"), os.path.join(work, "new"), os.path.join(HERE, "releases", "fleet.csv")
rules = ["--dst", "60", "--start", "M3.5.0", "--end", "M10.5.0"]
mixed = "device,place,tz,libc\n" + "".join(f"d{i},Europe/Berlin,CET-1CEST,{libc}\n" for i, libc in
                                           enumerate(["", "linux", "glibc", "musl,glibc", "solaris"]))

# A row an invocation: the schema its output follows, the arguments, what
# standard input holds.
RUNS = [
    ("default", [], None),
    ("tz", ["tz", "--zone", "10100", *rules], None),
    ("zic", ["zic", "--zone", "+01:00", *rules], None),
    ("parse", ["parse", "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"], None),
    ("zones", ["zones"], None),
    ("place", ["place", "Europe/Berlin"], None),
    ("place", ["place", "Asia/Jerusalem", "--years", "2026-2036"], None),  # a schedule of several spans
    ("place", ["place", "Australia/Lord_Howe"], None),  # no record
    ("place", ["place", "Test/Shifted", "--tzdir", new], None),
    ("check", ["check", "--tz", "<+01>-1", "--place", "Africa/Casablanca"], None),  # a string the device refuses
    ("check", ["check", "--zone", "10100", *rules, "--place", "Europe/London"], None),
    ("places", ["places"], None),
    ("places", ["places", "--tzdir", old, "--years", "2026-2030"], None),
    ("diff", ["diff", old, new, "--years", "2026-2030"], None),
    ("diff", ["diff", new, new], None),
    ("audit", ["audit", fleet, "--tzdir", new, "--years", "2027-2030"], None),
    ("audit", ["audit", "-"], mixed),
    ("table", ["table", "--years", "2026-2036", "--links"], None),  # a schedule, approximations, aliases
    ("table", ["table", "--tzdir", new, "--years", "2026-2030"], None),
]
outputs = {}
for schema, args, stdin in RUNS:
    run = subprocess.run([sys.argv[1], *args, "--json"], input=stdin, capture_output=True, text=True, check=False)
    what = " ".join(["qel-tz", *args, "--json"])
    outputs[what] = json.loads(run.stdout or "null")  # null fails every schema
    validator = validator_of(schemas[schema + ".schema.json"])
    errors = list(validator.iter_errors(outputs[what]))
    failures += [f"{what}: {list(e.absolute_path)}: {e.message[:300]} {run.stderr}" for e in errors[:5]]

# A wrong TZ string says when it is first wrong and, in offsets, what goes wrong.
def unexplained(node):
    if isinstance(node, list):
        return [p for v in node for p in unexplained(v)]
    if not isinstance(node, dict):
        return []
    kinds = {r["kind"] for r in node.get("reasons", []) if isinstance(r, dict)}
    wrong = "differs" in (node.get("tz_verdict"), node.get("verdict")) and "wrong_from" in node
    bad = wrong and (node["wrong_from"] is None or not kinds & {"wrong-offset", "not-read"})
    return [node.get("place")] * bad + [p for v in node.values() for p in unexplained(v)]


failures += [f"{what}: differs without a wrong-offset reason: {unexplained(out)[:5]}"
             for what, out in outputs.items() if unexplained(out)]

# A table's span says what it holds: none, the nearest record, or its record's verdict.
failures += [f"{what}: {p['place']} from {s['from']}: in_table {s['in_table']}, tz_verdict {s['tz_verdict']}"
             for what, out in outputs.items() if " table " in what for p in out["places"] for s in p["spans"]
             if s["in_table"] != ("absent" if s["record"] is None else "approximate" if s["approximate"]
                                  else s["tz_verdict"])]

# Each CSV row's reason and schedule cells are those of the JSON row of the same run.
for args, rows_key in [(["places", "--tzdir", old, "--years", "2026-2030"], "places"),
                       (["audit", fleet, "--tzdir", new, "--years", "2027-2030"], "devices")]:
    run = subprocess.run([sys.argv[1], *args, "--csv"], capture_output=True, text=True, check=False)
    got = [(r["reason_kinds"].split(), json.loads(r["reasons"]), json.loads(r["schedule"] or "null"))
           for r in csv.DictReader(io.StringIO(run.stdout))]
    want = [([r["kind"] for r in row["reasons"]], [r["text"] for r in row["reasons"]],
             None if not row["schedule"] or row["schedule"][1:] == [] == [s for s in row["schedule"] if s["approximate"]]
             else row["schedule"]) for row in outputs[" ".join(["qel-tz", *args, "--json"])][rows_key]]
    if got != want:
        failures.append(f"{' '.join(args)} --csv: reason cells {got[:3]} where the JSON has {want[:3]}")

shutil.rmtree(work)
for f in failures[:30]:
    print("FAILED: " + f)
print(f"{len(RUNS)} JSON outputs validated, {len(failures)} failures")
sys.exit(1 if failures else 0)
