#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Turns one Google Benchmark JSON run of qel_bench into the table of
docs/performance.md: each of our functions beside its peer, the ratio, and
whether the target is met. Usage: make_table.py RESULT.json > TABLE.md"""
import json
import sys

# (ours, peer, kind); kind "faster N": ours at least N times faster than the
# peer; "within N": ours at most N times the peer's time; "wrap": ours within
# 10% or 3 ns of the bare call it wraps; "info": no target.
PAIRS = [
    ("qel_tzstr_to_tzset", "boost_posix_time_zone_parse", "faster 25"),
    ("qel_tzstr_to_tzset", "libc_setenv_tzset", "faster 25"),
    ("qel_tzset_to_tzstr", "boost_to_posix_string", "faster 30"),
    ("qel_tzset_to_tzstr", "snprintf_tzstr", "faster 10"),
    ("qel_tzset_to_zicstr", "qel_tzset_to_tzstr", "within 2"),
    ("qel_time_after", "empty_abi_call", "within 1"),
    ("qel_time_in_range", "empty_abi_call", "within 1"),
    ("qel_get_time", "libc_time", "wrap"),
    ("qel_get_timespec", "libc_clock_gettime", "wrap"),
    ("qel_get_timeval", "libc_gettimeofday", "wrap"),
    ("qel_get_uptime", "libc_sysinfo", "wrap"),
    ("qel_get_uptime_ms", "libc_syscall_clock_gettime", "wrap"),
    ("qel_get_timetm", "libc_time_localtime_r", "wrap"),
    ("qel_get_time_diff", "libc_time_localtime_r", "wrap"),
    ("qel_time_to_tm", "libc_localtime_r", "wrap"),
    ("qel_tm_to_time", "libc_mktime", "wrap"),
    ("qel_timetm_to_str", "libc_strftime", "wrap"),
    ("qel_str_to_timetm", "libc_strptime", "wrap"),
    ("qel_time_to_str", "libc_localtime_r_strftime", "wrap"),
    ("qel_str_to_time", "libc_strptime_mktime", "wrap"),
    ("qel_time_delay", "libc_time", "info"),
    ("qel_uptime_delay", "libc_sysinfo", "info"),
]


def main():
    data = json.load(open(sys.argv[1]))
    times = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "min":
            times[b["run_name"].removeprefix("BM_")] = b["real_time"]
    ctx = data["context"]
    print(f"Host: {ctx.get('host_name', '?')}, {ctx['num_cpus']} x {ctx['mhz_per_cpu']} MHz"
          f" ({cpu_model()}), {ctx['date']}; the fastest of {repetitions(data)} interleaved repetitions.\n")
    print("| function | ns | peer | peer ns | ratio | target | met |")
    print("|---|---:|---|---:|---:|---|---|")
    missed = 0
    for ours, peer, kind in PAIRS:
        t, p = times[ours], times[peer]
        verb, _, n = kind.partition(" ")
        if verb == "faster":
            ratio, target, met = p / t, f"at least {n}x faster", p / t >= float(n)
            shown = f"{ratio:.1f}x faster"
        elif verb == "within":
            # Equal costs differ by the timer's noise; 0.1 ns of it is allowed.
            ratio, target, met = t / p, f"at most {n}x the peer's time", t <= float(n) * p + 0.1
            shown = f"{ratio:.2f}x"
        elif verb == "wrap":
            met = t <= max(1.1 * p, p + 3.0)
            target, shown = "within 10% or 3 ns", f"{t - p:+.1f} ns ({100 * (t / p - 1):+.0f}%)"
        else:
            met, target, shown = None, "none", f"{t - p:+.1f} ns"
        missed += met is False
        mark = "" if met is None else ("yes" if met else "**no**")
        print(f"| `{ours}` | {t:.1f} | {peer} | {p:.1f} | {shown} | {target} | {mark} |")
    return 1 if missed and "--check" in sys.argv else 0


def cpu_model():
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


def repetitions(data):
    return next((b["repetitions"] for b in data["benchmarks"] if "repetitions" in b), 1)


if __name__ == "__main__":
    sys.exit(main())
