/* SPDX-License-Identifier: MIT */
/* A fake platform for the tests, linked into the test binaries so that its
 * definitions of the clock and calendar calls take the place of the C
 * library's for the library under test.
 *
 * Disarmed (the default), reads pass through to the C library. Armed, every
 * call is counted and logged, and a test can inject readings or failures.
 * clock_settime and settimeofday are NEVER passed on, armed or not: a test can
 * only see what they were handed. */
#ifndef QEL_FAKE_PLATFORM_H
#define QEL_FAKE_PLATFORM_H

#include <sys/time.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

enum fake_fn {
    FAKE_TIME,
    FAKE_CLOCK_GETTIME,
    FAKE_CLOCK_SETTIME,
    FAKE_GETTIMEOFDAY,
    FAKE_SETTIMEOFDAY,
    FAKE_SYSINFO,
    FAKE_SYSCALL,
    FAKE_LOCALTIME_R,
    FAKE_GMTIME_R,
    FAKE_MKTIME,
    FAKE_STRFTIME,
    FAKE_STRPTIME,
    FAKE_FN_COUNT
};

#define FAKE_BIT(fn) (1u << (fn))
#define FAKE_LOG_MAX 16

struct fake_platform {
    int armed;
    unsigned fail;   /* FAKE_BIT(fn): report failure instead of calling */
    unsigned inject; /* FAKE_BIT(fn): answer with the injected reading */

    /* Injected readings. */
    time_t time_value;       /* time */
    struct timeval tv_value; /* gettimeofday */
    long uptime_value;       /* sysinfo */
    long raw_sec, raw_nsec;  /* syscall(SYS_clock_gettime, ...) */

    /* What the calls were handed. */
    int calls[FAKE_FN_COUNT];
    enum fake_fn log[FAKE_LOG_MAX];
    int log_len;
    clockid_t settime_clock;
    struct timespec settime_value;
    struct timeval settod_tv;
    struct timezone settod_tz;
    size_t strptime_len; /* the length of the text strptime was handed */
    long syscall_number;
    int syscall_clock;
};

extern struct fake_platform fake;

/* Disarms the fake and forgets everything. */
void fake_reset(void);
/* Resets, then arms the fake. */
void fake_arm(void);
/* Calls made while armed, all functions together. */
int fake_total_calls(void);

#ifdef __cplusplus
}
#endif

#endif
