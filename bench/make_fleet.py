#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Prints a fleet file of ROWS devices (default 1,000,000) as device,place,tz,
# over a few thousand distinct place/string pairs: 600 places, each with one
# of a dozen TZ strings in their short and long forms, quoted where they hold
# commas. Synthetic places: the file is for timing the reader, not audit.
# Usage: bench/make_fleet.py [rows] > fleet.csv
import csv
import sys

rows = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
strings = [
    "CET-1CEST,M3.5.0,M10.5.0/3", "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00",
    "EST5EDT,M3.2.0,M11.1.0", "EST+05:00:00EDT+04:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
    "PST8PDT,M3.2.0,M11.1.0", "PST+08:00:00PDT+07:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
    "AEST-10AEDT,M10.1.0,M4.1.0/3", "EET-2EEST,M3.5.0/3,M10.5.0/4", "<+0545>-5:45", "IST-5:30", "UTC0",
    "MSK-3"]
out = csv.writer(sys.stdout, lineterminator="\n")
out.writerow(["device", "place", "tz"])
for i in range(rows):
    k = i % 3000
    out.writerow([f"device-{i:07d}", f"Region_{k % 600 // 100}/Place_{k % 600:03d}", strings[k // 600 * 2 % 12 + i % 2]])
