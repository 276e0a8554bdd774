#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""One run of `qel-tz places` over this machine's tz database, checked from
outside the tool: the summary adds up to the rows, and every TZ string the
tool calls exact or offsets gives the place's UTC offset when the C library
reads both, sampled twice a day at odd minutes over the same window (the
tool computes the place's local time from its file; this check shares none
of its code). Then a public name,TZ-string table from this release audited
under 2026f, and every judging command with scratch space it cannot use and
with too little memory. Usage: places_system_test.py path/to/qel-tz"""
import calendar
import csv
import io
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

TZDIR = os.environ.get("TZDIR") or "/usr/share/zoneinfo"
if not os.path.exists(os.path.join(TZDIR, "Europe/Berlin")):
    print("no tz database in " + TZDIR + "; skipped")
    sys.exit(0)

run = subprocess.run([*sys.argv[1:], "places"], capture_output=True, text=True, check=False)
failures = []
rows = [line.split() for line in run.stdout.splitlines() if re.match(r"^\S+/?\S* +(exact|offsets|differs|unrepresentable) ", line)]
summary = dict(re.findall(r"^  (\w+) +TZ string +(\d+)", run.stdout, re.M))
total = re.search(r"^(\d+) places of tz database (\S+), window (\S+ \S+) to (\S+ \S+) UTC$", run.stdout, re.M)
if run.returncode != 0 or not total:
    sys.exit("places failed: " + run.stderr)
if int(total.group(1)) != len(rows) or sum(map(int, summary.values())) != len(rows):
    failures.append(f"summary {summary} does not add up to the {len(rows)} rows")
for verdict, count in summary.items():
    if sum(1 for r in rows if r[1] == verdict) != int(count):
        failures.append(f"summary says {count} {verdict}")

def offsets(tz, instants):
    os.environ["TZ"] = tz
    time.tzset()
    return [time.localtime(t).tm_gmtoff for t in instants]

start, end = (calendar.timegm(time.strptime(total.group(g), "%Y-%m-%d %H:%M")) for g in (3, 4))
instants = range(start + 3 * 3600 + 17 * 60, end, 12 * 3600)
checked = 0
for name, tz_verdict, _, tz in rows:
    if tz_verdict not in ("exact", "offsets"):
        continue
    want = offsets(":" + os.path.join(TZDIR, name), instants)
    got = offsets(tz, instants)
    bad = [t for t, w, g in zip(instants, want, got) if w != g]
    if bad:
        failures.append(f"{name}: {tz} is {tz_verdict} but its offset differs at {len(bad)} instants, first {bad[0]}")
    checked += 1
# A public name,TZ-string table, the kind firmware copies: each zone's rule
# line (its compiled file's footer, read here) from this machine's release,
# for the places of zone.tab and zone1970.tab, the Etc zones and the links,
# audited as a fleet under a newer release (ci/fetch_tzdata.sh fetches it).
# Every wrong device is explained in offsets and hours, by kind; no right one
# carries a "why"; each CSV row carries the JSON row's kinds. And the places
# whose schedule is the shortest cover by their own records exit 0.
def footer(path):
    data = open(path, "rb").read()
    return data.rstrip(b"\n").rsplit(b"\n", 1)[1].decode() if data[:5] >= b"TZif2" else ""
fetch = subprocess.run([os.path.join(os.path.dirname(__file__), "..", "ci", "fetch_tzdata.sh"), "2026f",
                        os.path.join(os.path.dirname(sys.argv[-1]), "tzdata-2026f")], capture_output=True, text=True)
new = fetch.stdout.strip()
if fetch.returncode != 0:
    print("no tz database 2026f (" + fetch.stderr.strip()[-200:] + "): the public table not audited")
else:
    zi = open(os.path.join(TZDIR, "tzdata.zi"), encoding="utf-8").read().splitlines()
    names = {l.split("\t")[2].strip() for tab in ("zone.tab", "zone1970.tab")
             for l in open(os.path.join(TZDIR, tab), encoding="utf-8") if not l.startswith("#")}
    names |= {l.split()[1] for l in zi if l.startswith("Z Etc/")} | {l.split()[2] for l in zi if l.startswith("L ")}
    with open(os.path.join(work := tempfile.mkdtemp(), "table.csv"), "w", newline="") as table:
        csv.writer(table).writerows([("device", "place", "tz")] + [(n, n, footer(os.path.join(TZDIR, n))) for n in names])
    audit = [subprocess.run([*sys.argv[1:], "audit", table.name, "--tzdir", new, *f], capture_output=True, text=True)
             for f in (["--json"], ["--csv"], [])]
    devices, rows = json.loads(audit[0].stdout)["devices"], list(csv.DictReader(io.StringIO(audit[1].stdout)))
    for d, row in zip(devices, rows):
        kinds = [r["kind"] for r in d["reasons"]]
        wrong = d["verdict"] in ("differs", "unrepresentable")
        if wrong != (not {"wrong-offset", "not-read"}.isdisjoint(kinds)) or wrong != (d["wrong_from"] is not None):
            failures.append(f"{d['place']}: {d['verdict']} from {d['wrong_from']}, reasons {kinds}")
        if row["reason_kinds"].split() != kinds or row["device"] != d["device"]:
            failures.append(f"{d['place']}: CSV kinds {row['reason_kinds']}, JSON {kinds}")
    groups = re.split(r"\n(?=\S)", audit[2].stdout)
    failures += [f"a right group with a why: {g[:200]}" for g in groups if re.match(r"\S.*: (exact|offsets) ", g) and "  why: " in g]
    if len(devices) != len(names) or sum(1 for d in devices if d["verdict"] == "differs") < 10:
        failures.append(f"{len(devices)} devices of {len(names)}, {audit[0].stderr[:200]}")
    for place, status, spans in (("Asia/Jerusalem", 0, 3), ("Asia/Gaza", 0, 4), ("America/Nuuk", 0, 4),
                                 ("Australia/Lord_Howe", 1, 1), ("Pacific/Chatham", 1, 1)):
        out = subprocess.run([*sys.argv[1:], "place", place, "--tzdir", new, "--json"], capture_output=True, text=True)
        if out.returncode != status or len(json.loads(out.stdout)["schedule"]) != spans:
            failures.append(f"place {place}: status {out.returncode}, {out.stdout[-300:]}")
    shutil.rmtree(work)
    print(f"public table: {len(devices)} devices audited under {new}")

# TMPDIR missing, read-only (as nobody: root writes anywhere), a file size
# limit (0 bytes: every scratch file; 2048: the tool's own fit, zic's
# compiled zone does not), too little address space: one line on stderr that
# names TMPDIR where scratch space is the cause, status 2, never a signal.
work = tempfile.mkdtemp()
os.chmod(work, 0o755)
for release, zone in (("a", "Europe/Berlin"), ("b", "Asia/Tokyo")):  # diff judges Europe/Berlin in both
    os.makedirs(os.path.join(work, release, "Europe"))
    shutil.copy(os.path.join(TZDIR, zone), os.path.join(work, release, "Europe/Berlin"))
    open(os.path.join(work, release, "tzdata.zi"), "w").close()
with open(os.path.join(work, "fleet.csv"), "w") as fleet:
    fleet.write('device,place,tz\nd1,Europe/Berlin,"CET-1CEST,M3.5.0,M10.5.0/3"\nd2,Europe/Berlin,CET-1\n')
os.mkdir(os.path.join(work, "read-only"), 0o555)
def limit(kind, size):
    return lambda: resource.setrlimit(kind, (size, size))
def as_nobody():
    os.setgroups([])
    os.setgid(65534)
    os.setuid(65534)
commands = [["place", "Europe/Berlin"], ["places"], ["check", "--tz", "CET-1", "--place", "Europe/Berlin"],
            ["diff", work + "/a", work + "/b"], ["audit", work + "/fleet.csv"]]
edges = [(command, "/nonexistent/scratch", None) for command in commands]
# As nobody only where nobody can run the tool (a build below /root cannot).
def runs_as_nobody():
    try:
        return subprocess.run([*sys.argv[1:], "--version"], capture_output=True, check=False,
                              preexec_fn=as_nobody).returncode == 0
    except OSError:
        return False
reachable = os.geteuid() == 0 and runs_as_nobody()
if not reachable:
    print("the read-only TMPDIR rows need root and a tool that nobody can run; skipped")
edges += [(command, work + "/read-only", as_nobody) for command in commands if reachable]
edges += [(command, work, limit(resource.RLIMIT_FSIZE, 0)) for command in commands]
edges += [(["place", "Europe/Berlin"], work, limit(resource.RLIMIT_FSIZE, 2048))]
edges += [(["places", "--years", "1900-2400"], None, limit(resource.RLIMIT_AS, mib << 20)) for mib in (16, 40)]
for command, tmpdir, how in edges:
    edge = subprocess.run([*sys.argv[1:], *command], capture_output=True, text=True, check=False, preexec_fn=how,
                          env=dict(os.environ, TMPDIR=tmpdir or work))
    # A coverage build's own run-time writes its counters at exit, and says so
    # where the limits stop it: not the tool's lines.
    lines = [line for line in edge.stderr.splitlines() if not line.startswith(("profiling:", "libgcov profiling"))]
    if edge.returncode != 2 or len(lines) != 1 or (tmpdir and "TMPDIR " + tmpdir not in lines[0]):
        failures.append(f"{command} with TMPDIR {tmpdir}: status {edge.returncode}, stderr {edge.stderr[:300]!r}")
shutil.rmtree(work, ignore_errors=True)

for f in failures[:20]:
    print("FAILED: " + f)
print(f"places: {len(rows)} rows, {checked} exact or offsets checked at {len(instants)} instants each")
print(f"{checked + 1 + len(edges) - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
