#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""One run of `qel-tz places` over this machine's tz database, checked from
outside the tool: the summary adds up to the rows, and every TZ string the
tool calls exact or offsets gives the place's UTC offset when the C library
reads both, sampled twice a day at odd minutes over the same window (the
tool computes the place's local time from its file; this check shares none
of its code). Then every judging command with scratch space it cannot use
and with too little memory. Usage: places_system_test.py path/to/qel-tz"""
import calendar
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
