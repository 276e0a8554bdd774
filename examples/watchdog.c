/* SPDX-License-Identifier: MIT */
/* A watchdog's clocks: deadlines on the uptime, which setting the wall clock
 * does not move, and a short wait on the millisecond clock, ordered by the
 * library's wrap-safe tests. Reads the wall clock as a struct timespec too,
 * which strict C99 declares only with a POSIX feature macro.
 *
 * Prints the wall clock and both uptime clocks; exits 0 when every check
 * holds. */
#define _POSIX_C_SOURCE 200809L /* struct timespec and nanosleep() under -std=c99 */
#include <inttypes.h>
#include <stdio.h>
#include <time.h>

#include "qel_time.h"

static int fail(const char *what, int32_t rc) {
    fprintf(stderr, "%s: %" PRId32 "\n", what, rc);
    return 1;
}

int main(void) {
    const struct timespec pause = {0, 10000000}; /* 10 ms */
    struct timespec wall;
    int64_t started, ms, deadline;
    int32_t rc;

    if ((rc = qel_get_timespec(&wall)) != QEL_OK) return fail("qel_get_timespec", rc);
    /* Whole seconds from sysinfo(); the kernel counts them from boot. */
    if ((rc = qel_get_uptime(&started)) != QEL_OK) return fail("qel_get_uptime", rc);
    /* The raw monotonic clock in milliseconds, through the 32-bit
     * clock_gettime system call (a kernel without COMPAT_32BIT_TIME refuses
     * it: QEL_ESYSTEM). */
    if ((rc = qel_get_uptime_ms(&ms)) != QEL_OK) return fail("qel_get_uptime_ms", rc);
    printf("wall clock %lld.%09ld s, uptime %" PRId64 " s, raw clock %" PRId64 " ms\n", (long long)wall.tv_sec,
           wall.tv_nsec, started, ms);

    /* The uptime follows boot, not the wall clock: a deadline an hour ahead
     * stays ahead whatever the clock is set to meanwhile. */
    if ((rc = qel_uptime_delay(started, 0)) != 1) return fail("a 0 s delay on the uptime has not elapsed", rc);
    if ((rc = qel_uptime_delay(started, 3600)) != 0) return fail("a 3600 s delay on the uptime has elapsed", rc);

    /* 50 ms on the millisecond clock: a deadline compared by qel_time_after_eq
     * is ordered modulo 2^64, so it stays right across that counter's wrap. */
    deadline = ms + 50;
    do {
        if (nanosleep(&pause, NULL) != 0) return fail("nanosleep", -1);
        if ((rc = qel_get_uptime_ms(&ms)) != QEL_OK) return fail("qel_get_uptime_ms", rc);
    } while (!qel_time_after_eq(ms, deadline));
    printf("50 ms waited on the raw clock\n");
    return 0;
}
