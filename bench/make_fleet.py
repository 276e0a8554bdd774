#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Prints a fleet file of ROWS devices as device,place,tz:
#
#   bench/make_fleet.py [ROWS] > fleet.csv
#       ROWS (default 1,000,000) over a few thousand distinct place/string
#       pairs: 600 places, each with one of a dozen TZ strings in their short
#       and long forms, quoted where they hold commas. Synthetic places: the
#       file is for timing the reader, not audit.
#   bench/make_fleet.py --pairs PLACES ROWS PAIRS > fleet.csv
#       ROWS over PAIRS distinct settings of the real places of PLACES (the
#       output of `qel-tz places --csv`): each place with its own TZ string,
#       then with stale ones; device names long enough to make a million rows
#       65 MiB.
#   bench/make_fleet.py --distinct PLACES ROWS > fleet.csv
#       ROWS (at most 26**4 = 456,976) whose TZ strings all differ, over the
#       real places: each row holds its place's own TZ string with the names
#       replaced by five letters of its own (as a device whose names were
#       typed by hand), and every third row with daylight saving has its
#       start rule a week off (a device that is wrong).
import csv
import re
import sys

out = csv.writer(sys.stdout, lineterminator="\n")
out.writerow(["device", "place", "tz"])


def places_of(path):
    return [(r["place"], r["tz"]) for r in csv.DictReader(open(path)) if r["tz"]]


if len(sys.argv) > 1 and sys.argv[1] == "--pairs":
    places, rows, pairs = places_of(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    stale = ["CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "<+03>-3", "AEST-10AEDT,M10.1.0,M4.1.0/3",
             "PST8PDT,M3.2.0,M11.1.0", "EET-2EEST,M3.5.0/3,M10.5.0/4", "IST-5:30", "MSK-3", "UTC0"]
    for i in range(rows):
        k = i % pairs
        place, mine = places[k % len(places)]
        out.writerow([f"device-{i:08d}-{place}", place, ([mine] + stale)[k // len(places) % (1 + len(stale))]])
elif len(sys.argv) > 1 and sys.argv[1] == "--distinct":
    places, rows = places_of(sys.argv[2]), int(sys.argv[3])
    if rows > 26**4:
        sys.exit("make_fleet.py: at most 456976 rows have names of their own")
    name = r"(<[^>]*>|[A-Za-z]+)"
    posix = re.compile(name + r"([-+]?[0-9:]+)(?:" + name + r"([-+]?[0-9:]+)?)?(,.*)?$")
    for i in range(rows):
        place, tz = places[i % len(places)]
        letters = "".join(chr(ord("a") + i // 26**k % 26) for k in range(4))
        std, offset, dst, dst_offset, rules = posix.match(tz).groups()
        text = "S" + letters + offset + ("D" + letters + (dst_offset or "") if dst else "")
        if rules and i % 3 == 0:
            rules = re.sub(r"^,M(\d+)\.(\d)", lambda m: f",M{m[1]}.{int(m[2]) % 4 + 1}", rules)
        out.writerow([f"device-{i:07d}", place, text + (rules or "")])
else:
    rows = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    strings = [
        "CET-1CEST,M3.5.0,M10.5.0/3", "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00",
        "EST5EDT,M3.2.0,M11.1.0", "EST+05:00:00EDT+04:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
        "PST8PDT,M3.2.0,M11.1.0", "PST+08:00:00PDT+07:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
        "AEST-10AEDT,M10.1.0,M4.1.0/3", "EET-2EEST,M3.5.0/3,M10.5.0/4", "<+0545>-5:45", "IST-5:30", "UTC0",
        "MSK-3"]
    for i in range(rows):
        k = i % 3000
        out.writerow([f"device-{i:07d}", f"Region_{k % 600 // 100}/Place_{k % 600:03d}",
                      strings[k // 600 * 2 % 12 + i % 2]])
