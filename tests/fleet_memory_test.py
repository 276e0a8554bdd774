#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# The fleet reader streams: 400,000 rows (22 MB, with LF, CRLF and CR alone
# as line ends) go through a pipe into fleet_stream_count, whose address
# space is capped at 8 MiB over what it maps at its start. Holding the file,
# or all of its rows, would take more than that.
# Then `qel-tz audit` of the same rows, capped at 64 MiB of address space:
# the audit keeps one entry per distinct setting, never the rows.
# Usage: fleet_memory_test.py FLEET_STREAM_COUNT [QEL_TZ]
import subprocess
import sys

ROWS, ENDS = 400_000, ["\n", "\r\n", "\r"]
data = ("device,place,tz\n" + "".join(
    f'dev-{i:06d},Europe/{("Berlin", "Paris", "Rome")[i % 3]},"CET-1CEST,M3.5.0,M10.5.0/3"{ENDS[i % 3]}' for i in range(ROWS))).encode()
run = subprocess.run([sys.argv[1], "-", "--limit", "8"], input=data, capture_output=True, timeout=60)
print(run.stdout.decode(), run.stderr.decode(), end="")
want = f"{ROWS} rows, {ROWS} readable, last dev-{ROWS - 1:06d}\n"
if run.returncode != 77 and (len(data) < 20_000_000 or (run.returncode, run.stdout.decode()) != (0, want)):
    sys.exit(f"fleet_memory_test: wanted {want!r} and exit status 0")
if run.returncode != 0 or len(sys.argv) < 3:
    sys.exit(run.returncode)
if not __import__("os").path.exists("/usr/share/zoneinfo/Europe/Berlin"):
    sys.exit(77)
import resource
cap = lambda: resource.setrlimit(resource.RLIMIT_AS, (64 << 20, 64 << 20))
audit = subprocess.run([sys.argv[2], "audit", "-", "--tzdir", "/usr/share/zoneinfo"], input=data, capture_output=True,
                       timeout=120, preexec_fn=cap)
summary = f"{ROWS} devices of standard input, "
if audit.returncode != 0 or summary not in audit.stdout.decode():
    sys.exit(f"audit under a 64 MiB cap: status {audit.returncode}, {audit.stderr.decode()[:300]}")
