/* SPDX-License-Identifier: MIT */
/* Definitions that take the place of the C library's clock and calendar calls
 * in the test binaries; see fake_platform.h. Reads are passed on to the next
 * definition (the C library, or a sanitizer's interceptor) through dlsym.
 *
 * A static program (on uClibc-ng, which is built static only) has no dlsym
 * to find the next definition, and its own definition of a call would clash
 * with the C library's in libc.a. There (FAKE_WRAP) the program is linked
 * with ld's --wrap for each call below: every reference to NAME reaches
 * __wrap_NAME, defined here, and __real_NAME is the C library's own. */
#define _GNU_SOURCE
#include "fake_platform.h"

#include <errno.h>
#include <stdarg.h>
#include <string.h>
#include <sys/sysinfo.h>
#include <unistd.h> /* syscall */

#include "kernel_calls.h"

/* Where a 32-bit target has a 64-bit time_t (glibc with _TIME_BITS=64, musl
 * 1.2), the C library's headers rename the time calls; the definitions below
 * inherit the new names from those declarations, and the lookups of the real
 * ones must use them too. glibc and musl agree on every new name but
 * gettimeofday's. */
#define TIME64_RENAMED (sizeof(time_t) > sizeof(long))
#define REAL_NAME(plain, time64) (TIME64_RENAMED ? (time64) : (plain))

#ifdef FAKE_WRAP
#define FAKE(fn) __wrap_##fn
/* The C library's definition of fn. */
#define NEXT(fn, time64) __real_##fn
#define DECLARE(fn) extern __typeof__(fn) __real_##fn;
DECLARE(time)
DECLARE(clock_gettime)
DECLARE(clock_settime)
DECLARE(gettimeofday)
DECLARE(settimeofday)
DECLARE(sysinfo)
DECLARE(syscall)
DECLARE(localtime_r)
DECLARE(gmtime_r)
DECLARE(mktime)
DECLARE(strftime)
DECLARE(strptime)
#else
#include <dlfcn.h>
#define FAKE(fn) fn
static void *real(const char *name) { return dlsym(RTLD_NEXT, name); }
/* The next definition of fn, under its 64-bit-time name where it has one. */
#define NEXT(fn, time64) ((__typeof__(&fn))real(REAL_NAME(#fn, time64)))
#endif

struct fake_platform fake;

void fake_reset(void) { memset(&fake, 0, sizeof fake); }

void fake_arm(void) {
    fake_reset();
    fake.armed = 1;
}

int fake_total_calls(void) {
    int total = 0;
    for (int i = 0; i < FAKE_FN_COUNT; ++i) total += fake.calls[i];
    return total;
}

/* Records an armed call; returns whether the test asked it to fail. */
static int enter(enum fake_fn fn) {
    if (!fake.armed) return 0;
    fake.calls[fn]++;
    if (fake.log_len < FAKE_LOG_MAX) fake.log[fake.log_len++] = fn;
    return (fake.fail & FAKE_BIT(fn)) != 0;
}

static int injected(enum fake_fn fn) { return fake.armed && (fake.inject & FAKE_BIT(fn)) != 0; }

/* Records an armed set; returns whether it is refused: always when disarmed,
 * so that a set never reaches the clock, or when the test asked it to fail. */
static int set_refused(enum fake_fn fn) {
    if (fake.armed) return enter(fn);
    errno = EPERM;
    return 1;
}

time_t FAKE(time)(time_t *t) {
    if (enter(FAKE_TIME)) return (time_t)-1;
    time_t now;
    if (injected(FAKE_TIME)) {
        now = fake.time_value;
    } else {
        now = NEXT(time, "__time64")(NULL);
    }
    if (t != NULL) *t = now;
    return now;
}

int FAKE(clock_gettime)(clockid_t clock, struct timespec *ts) {
    if (enter(FAKE_CLOCK_GETTIME)) return -1;
    return NEXT(clock_gettime, "__clock_gettime64")(clock, ts);
}

int FAKE(clock_settime)(clockid_t clock, const struct timespec *ts) {
    if (set_refused(FAKE_CLOCK_SETTIME)) return -1;
    fake.settime_clock = clock;
    fake.settime_value = *ts;
    return 0;
}

int FAKE(gettimeofday)(struct timeval *restrict tv, void *restrict tz) {
    if (enter(FAKE_GETTIMEOFDAY)) return -1;
    __typeof__(&gettimeofday) next = NEXT(gettimeofday, "__gettimeofday64");
    if (next == NULL) next = NEXT(gettimeofday, "__gettimeofday_time64");
    int rc = next(tv, tz);
    if (rc == 0 && tv != NULL && injected(FAKE_GETTIMEOFDAY)) *tv = fake.tv_value;
    return rc;
}

int FAKE(settimeofday)(const struct timeval *tv, const struct timezone *tz) {
    if (set_refused(FAKE_SETTIMEOFDAY)) return -1;
    if (tv != NULL) fake.settod_tv = *tv;
    if (tz != NULL) fake.settod_tz = *tz;
    return 0;
}

int FAKE(sysinfo)(struct sysinfo *info) {
    if (enter(FAKE_SYSINFO)) return -1;
    int rc = NEXT(sysinfo, "sysinfo")(info);
    if (rc == 0 && injected(FAKE_SYSINFO)) info->uptime = (__typeof__(info->uptime))fake.uptime_value;
    return rc;
}

/* The library's own system calls: the raw clock, and the kernel's timezone
 * (read and set with the clock in the kernel's two-long layout). Reads pass
 * on to the kernel; a setting is only recorded. */
long FAKE(syscall)(long number, ...) {
    va_list ap;
    va_start(ap, number);
    __typeof__(&syscall) next = NEXT(syscall, "syscall");
    if (fake.armed) fake.syscall_number = number;
    if (number == QEL_SYS_CLOCK_GETTIME) {
        int clock = va_arg(ap, int);
        struct qel_kernel_time *ts = va_arg(ap, struct qel_kernel_time *);
        va_end(ap);
        if (fake.armed) fake.syscall_clock = clock;
        if (enter(FAKE_SYSCALL)) return -1;
        if (injected(FAKE_SYSCALL)) {
            ts->sec = fake.raw_sec;
            ts->fraction = fake.raw_nsec;
            return 0;
        }
        return next(number, clock, ts);
    }
    if (number == QEL_SYS_GETTIMEOFDAY || number == QEL_SYS_SETTIMEOFDAY) {
        struct qel_kernel_time *tv = va_arg(ap, struct qel_kernel_time *);
        struct timezone *tz = va_arg(ap, struct timezone *);
        va_end(ap);
        if (number == QEL_SYS_SETTIMEOFDAY) {
            if (set_refused(FAKE_SETTIMEOFDAY)) return -1;
            fake.settod_tv.tv_sec = tv->sec;
            fake.settod_tv.tv_usec = tv->fraction;
            fake.settod_tz = *tz;
            return 0;
        }
        if (enter(FAKE_GETTIMEOFDAY)) return -1;
        long rc = next(number, tv, tz);
        if (rc == 0 && injected(FAKE_GETTIMEOFDAY)) {
            tv->sec = (long)fake.tv_value.tv_sec;
            tv->fraction = (long)fake.tv_value.tv_usec;
        }
        return rc;
    }
    long a[6];
    for (int i = 0; i < 6; ++i) a[i] = va_arg(ap, long);
    va_end(ap);
    if (enter(FAKE_SYSCALL)) return -1;
    return next(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

struct tm *FAKE(localtime_r)(const time_t *restrict t, struct tm *restrict tm) {
    if (enter(FAKE_LOCALTIME_R)) return NULL;
    return NEXT(localtime_r, "__localtime64_r")(t, tm);
}

struct tm *FAKE(gmtime_r)(const time_t *restrict t, struct tm *restrict tm) {
    if (enter(FAKE_GMTIME_R)) return NULL;
    return NEXT(gmtime_r, "__gmtime64_r")(t, tm);
}

time_t FAKE(mktime)(struct tm *tm) {
    if (enter(FAKE_MKTIME)) return (time_t)-1;
    return NEXT(mktime, "__mktime64")(tm);
}

size_t FAKE(strftime)(char *restrict s, size_t max, const char *restrict format, const struct tm *restrict tm) {
    if (enter(FAKE_STRFTIME)) return 0;
    return NEXT(strftime, "strftime")(s, max, format, tm);
}

char *FAKE(strptime)(const char *restrict s, const char *restrict format, struct tm *tm) {
    /* strlen reads up to the NUL, so a text without one is caught here (by
     * AddressSanitizer where it runs). */
    if (fake.armed) fake.strptime_len = strlen(s);
    if (enter(FAKE_STRPTIME)) return NULL;
    return NEXT(strptime, "strptime")(s, format, tm);
}
