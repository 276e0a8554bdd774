// SPDX-License-Identifier: MIT
// Clock reads, ordering tests, delay checks and calendar conversions beside
// the bare C library calls they wrap.
#include <benchmark/benchmark.h>

#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <sys/time.h>
#include <unistd.h>
#include "bench_register.hpp"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "qel_time.h"

extern "C" int32_t qelbench_empty_call(int64_t a, int64_t b);

namespace {

constexpr const char *kForm = "%Y-%m-%d %H:%M:%S";
constexpr int64_t kWhen = 1721044800;  // 2024-07-15 12:00:00 UTC

// Calendar benchmarks run in a zone with daylight saving.
void use_cet() {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
}

// ---- clock reads ----
void BM_qel_get_time(benchmark::State &s) {
    int64_t t = 0;
    for (auto _ : s) benchmark::DoNotOptimize(qel_get_time(&t));
}
void BM_libc_time(benchmark::State &s) {
    for (auto _ : s) benchmark::DoNotOptimize(time(nullptr));
}
void BM_qel_get_timespec(benchmark::State &s) {
    struct timespec ts {};
    for (auto _ : s) benchmark::DoNotOptimize(qel_get_timespec(&ts));
}
void BM_libc_clock_gettime(benchmark::State &s) {
    struct timespec ts {};
    for (auto _ : s) benchmark::DoNotOptimize(clock_gettime(CLOCK_REALTIME, &ts));
}
void BM_qel_get_timeval(benchmark::State &s) {
    struct timeval tv {};
    for (auto _ : s) benchmark::DoNotOptimize(qel_get_timeval(&tv));
}
void BM_libc_gettimeofday(benchmark::State &s) {
    struct timeval tv {};
    struct timezone tz {};
    for (auto _ : s) benchmark::DoNotOptimize(gettimeofday(&tv, &tz));
}
void BM_qel_get_uptime(benchmark::State &s) {
    int64_t up = 0;
    for (auto _ : s) benchmark::DoNotOptimize(qel_get_uptime(&up));
}
void BM_libc_sysinfo(benchmark::State &s) {
    struct sysinfo info {};
    for (auto _ : s) benchmark::DoNotOptimize(sysinfo(&info));
}
void BM_qel_get_uptime_ms(benchmark::State &s) {
    int64_t ms = 0;
    for (auto _ : s) benchmark::DoNotOptimize(qel_get_uptime_ms(&ms));
}
void BM_libc_syscall_clock_gettime(benchmark::State &s) {
    struct {
        long sec, nsec;
    } raw{};
    for (auto _ : s) benchmark::DoNotOptimize(syscall(SYS_clock_gettime, 4, &raw));
}
void BM_qel_get_timetm(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    for (auto _ : s) benchmark::DoNotOptimize(qel_get_timetm(&tm, 0));
}
void BM_libc_time_localtime_r(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    for (auto _ : s) {
        const time_t now = time(nullptr);
        benchmark::DoNotOptimize(localtime_r(&now, &tm));
    }
}

// ---- ordering and delays ----
// A call on values the compiler must treat as new in every iteration.
template <typename Call>
void bench_opaque(benchmark::State &s, Call call) {
    int64_t t = 5;
    for (auto _ : s) {
        benchmark::DoNotOptimize(t);
        benchmark::DoNotOptimize(call(t));
    }
}
void BM_qel_time_after(benchmark::State &s) {
    bench_opaque(s, [](int64_t a) { return qel_time_after(a, 7); });
}
void BM_qel_time_in_range(benchmark::State &s) {
    bench_opaque(s, [](int64_t t) { return qel_time_in_range(t, 1, 9); });
}
void BM_empty_abi_call(benchmark::State &s) {
    bench_opaque(s, [](int64_t a) { return qelbench_empty_call(a, 7); });
}
void BM_qel_time_delay(benchmark::State &s) {
    for (auto _ : s) benchmark::DoNotOptimize(qel_time_delay(kWhen, 10));
}
void BM_qel_uptime_delay(benchmark::State &s) {
    for (auto _ : s) benchmark::DoNotOptimize(qel_uptime_delay(100, 10));
}

// ---- calendar and text ----
void BM_qel_time_to_tm(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    for (auto _ : s) benchmark::DoNotOptimize(qel_time_to_tm(&kWhen, &tm));
}
void BM_libc_localtime_r(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    const time_t t = kWhen;
    for (auto _ : s) benchmark::DoNotOptimize(localtime_r(&t, &tm));
}
void BM_qel_tm_to_time(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    localtime_r(reinterpret_cast<const time_t *>(&kWhen), &tm);
    int64_t t = 0;
    for (auto _ : s) benchmark::DoNotOptimize(qel_tm_to_time(&tm, &t));
}
void BM_libc_mktime(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    localtime_r(reinterpret_cast<const time_t *>(&kWhen), &tm);
    for (auto _ : s) benchmark::DoNotOptimize(mktime(&tm));
}
void BM_qel_timetm_to_str(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    localtime_r(reinterpret_cast<const time_t *>(&kWhen), &tm);
    char buf[32];
    for (auto _ : s) benchmark::DoNotOptimize(qel_timetm_to_str(&tm, buf, sizeof buf));
}
void BM_libc_strftime(benchmark::State &s) {
    use_cet();
    struct tm tm {};
    localtime_r(reinterpret_cast<const time_t *>(&kWhen), &tm);
    char buf[32];
    for (auto _ : s) benchmark::DoNotOptimize(strftime(buf, sizeof buf, kForm, &tm));
}
void BM_qel_str_to_timetm(benchmark::State &s) {
    struct tm tm {};
    for (auto _ : s) benchmark::DoNotOptimize(qel_str_to_timetm("2024-07-15 14:00:00", &tm));
}
void BM_libc_strptime(benchmark::State &s) {
    struct tm tm {};
    for (auto _ : s) benchmark::DoNotOptimize(strptime("2024-07-15 14:00:00", kForm, &tm));
}
void BM_qel_time_to_str(benchmark::State &s) {
    use_cet();
    char buf[32];
    for (auto _ : s) benchmark::DoNotOptimize(qel_time_to_str(&kWhen, buf, sizeof buf));
}
void BM_libc_localtime_r_strftime(benchmark::State &s) {
    use_cet();
    char buf[32];
    const time_t t = kWhen;
    for (auto _ : s) {
        struct tm tm {};
        localtime_r(&t, &tm);
        benchmark::DoNotOptimize(strftime(buf, sizeof buf, kForm, &tm));
    }
}
void BM_qel_str_to_time(benchmark::State &s) {
    use_cet();
    int64_t t = 0;
    for (auto _ : s) benchmark::DoNotOptimize(qel_str_to_time("2024-07-15 14:00:00", &t));
}
void BM_libc_strptime_mktime(benchmark::State &s) {
    use_cet();
    for (auto _ : s) {
        struct tm tm {};
        strptime("2024-07-15 14:00:00", kForm, &tm);
        tm.tm_isdst = -1;
        benchmark::DoNotOptimize(mktime(&tm));
    }
}
void BM_qel_get_time_diff(benchmark::State &s) {
    use_cet();
    int64_t d = 0;
    for (auto _ : s) benchmark::DoNotOptimize(qel_get_time_diff(&d));
}

}  // namespace

QEL_BENCHMARK(BM_qel_get_time);
QEL_BENCHMARK(BM_libc_time);
QEL_BENCHMARK(BM_qel_get_timespec);
QEL_BENCHMARK(BM_libc_clock_gettime);
QEL_BENCHMARK(BM_qel_get_timeval);
QEL_BENCHMARK(BM_libc_gettimeofday);
QEL_BENCHMARK(BM_qel_get_uptime);
QEL_BENCHMARK(BM_libc_sysinfo);
QEL_BENCHMARK(BM_qel_get_uptime_ms);
QEL_BENCHMARK(BM_libc_syscall_clock_gettime);
QEL_BENCHMARK(BM_qel_get_timetm);
QEL_BENCHMARK(BM_libc_time_localtime_r);
QEL_BENCHMARK(BM_qel_time_after);
QEL_BENCHMARK(BM_qel_time_in_range);
QEL_BENCHMARK(BM_empty_abi_call);
QEL_BENCHMARK(BM_qel_time_delay);
QEL_BENCHMARK(BM_qel_uptime_delay);
QEL_BENCHMARK(BM_qel_time_to_tm);
QEL_BENCHMARK(BM_libc_localtime_r);
QEL_BENCHMARK(BM_qel_tm_to_time);
QEL_BENCHMARK(BM_libc_mktime);
QEL_BENCHMARK(BM_qel_timetm_to_str);
QEL_BENCHMARK(BM_libc_strftime);
QEL_BENCHMARK(BM_qel_str_to_timetm);
QEL_BENCHMARK(BM_libc_strptime);
QEL_BENCHMARK(BM_qel_time_to_str);
QEL_BENCHMARK(BM_libc_localtime_r_strftime);
QEL_BENCHMARK(BM_qel_str_to_time);
QEL_BENCHMARK(BM_libc_strptime_mktime);
QEL_BENCHMARK(BM_qel_get_time_diff);
