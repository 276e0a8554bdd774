#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""One run of `qel-tz places` over this machine's tz database, checked from
outside the tool: the summary adds up to the rows, and every TZ string the
tool calls exact or offsets gives the place's UTC offset when the C library
reads both, sampled twice a day at odd minutes over the same window (the
tool computes the place's local time from its file; this check shares none
of its code). Usage: places_system_test.py path/to/qel-tz"""
import calendar
import os
import re
import subprocess
import sys
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
for f in failures[:20]:
    print("FAILED: " + f)
print(f"places: {len(rows)} rows, {checked} exact or offsets checked at {len(instants)} instants each")
print(f"{checked + 1 - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
