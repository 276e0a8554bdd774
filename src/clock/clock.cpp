// SPDX-License-Identifier: MIT
// Clock access: thin wrappers over the kernel's clock and timezone calls.
// Each one checks its arguments, zero-fills the structures it hands to the
// platform, makes its calls in a fixed order and writes the caller's output
// only once every call has succeeded.
#include <sys/sysinfo.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>

#include "platform/kernel_calls.h"
#include "platform/platform_time.hpp"
#include "qel_time.h"

namespace {

constexpr clockid_t kMonotonicRaw = 4;  // CLOCK_MONOTONIC_RAW

int32_t set_clock(time_t seconds) {
    struct timespec ts {};
    ts.tv_sec = seconds;
    ts.tv_nsec = 0;
    return clock_settime(CLOCK_REALTIME, &ts) < 0 ? QEL_ESYSTEM : QEL_OK;
}

}  // namespace

extern "C" {

int32_t qel_get_time(int64_t *t) {
    if (t == nullptr) return QEL_EINVAL;
    const time_t now = time(nullptr);
    if (now < 0) return QEL_ESYSTEM;
    *t = qel::widen(now);
    return QEL_OK;
}

int32_t qel_set_time(const int64_t *t) {
    if (t == nullptr) return QEL_EINVAL;
    const int64_t value = *t;
    // Both the value and its low 32 bits as a signed count must be positive,
    // so a value that a 32-bit device would see as 0 or negative is refused
    // on every build alike.
    if (value < 1 || qel::low32(value) < 1) return QEL_EINVAL;
    return set_clock(qel::to_platform(value));
}

int32_t qel_get_timetm(struct tm *tm, uint32_t mode) {
    if (tm == nullptr || mode > 1) return QEL_EINVAL;
    const time_t now = time(nullptr);
    if (now < 0) return QEL_ESYSTEM;
    struct tm scratch {};
    const struct tm *done = mode == 1 ? gmtime_r(&now, &scratch) : localtime_r(&now, &scratch);
    if (done == nullptr) return QEL_ESYSTEM;
    qel::copy_fresh_tm(tm, scratch);
    return QEL_OK;
}

int32_t qel_set_timetm(struct tm *tm) {
    if (tm == nullptr) return QEL_EINVAL;
    const time_t when = mktime(tm);
    if (when < 0) return QEL_ESYSTEM;
    return set_clock(when);
}

// The kernel's timezone is read and set through the kernel's own
// gettimeofday and settimeofday calls: C libraries do not pass it on (musl
// ignores the argument; glibc refuses a clock and a timezone in one
// settimeofday), and the timezone exists only in the kernel.
int32_t qel_get_timezone(struct timezone *tz) {
    if (tz == nullptr) return QEL_EINVAL;
    qel_kernel_time unused{};
    return syscall(QEL_SYS_GETTIMEOFDAY, &unused, tz) < 0 ? QEL_ESYSTEM : QEL_OK;
}

int32_t qel_set_timezone(const struct timezone *tz) {
    if (tz == nullptr) return QEL_EINVAL;
    qel_kernel_time now{};
    struct timezone unused {};
    if (syscall(QEL_SYS_GETTIMEOFDAY, &now, &unused) < 0) return QEL_ESYSTEM;
    return syscall(QEL_SYS_SETTIMEOFDAY, &now, tz) < 0 ? QEL_ESYSTEM : QEL_OK;
}

int32_t qel_get_timeval(struct timeval *tv) {
    if (tv == nullptr) return QEL_EINVAL;
    struct timezone unused {};
    return gettimeofday(tv, &unused) < 0 ? QEL_ESYSTEM : QEL_OK;
}

int32_t qel_get_timespec(struct timespec *ts) {
    if (ts == nullptr) return QEL_EINVAL;
    return clock_gettime(CLOCK_REALTIME, ts) < 0 ? QEL_ESYSTEM : QEL_OK;
}

int32_t qel_get_uptime(int64_t *up) {
    if (up == nullptr) return QEL_EINVAL;
    struct sysinfo info {};
    if (sysinfo(&info) < 0) return QEL_ESYSTEM;
    *up = qel::widen(info.uptime);
    return QEL_OK;
}

int32_t qel_get_uptime_ms(int64_t *ms) {
    if (ms == nullptr) return QEL_EINVAL;
    qel_kernel_time raw{};
    // The system call itself, not the C library's wrapper: the raw clock is
    // read the same way on every C library the device may carry.
    if (syscall(QEL_SYS_CLOCK_GETTIME, kMonotonicRaw, &raw) < 0) return QEL_ESYSTEM;
    // Seconds are widened before the multiplication so that 3,000,000 s
    // gives 3,000,000,000 ms even where long is 32 bits.
    *ms = qel::widen(raw.sec) * 1000 + qel::widen(raw.fraction / 1000000);
    return QEL_OK;
}

}  // extern "C"
