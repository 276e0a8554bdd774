/* SPDX-License-Identifier: MIT */
/* The kernel's own clock and timezone calls, by the names each C library the
 * device may carry gives them. Plain C, so the fake platform of the tests
 * intercepts exactly the numbers the library issues.
 *
 * On 32-bit targets musl names only the 32-bit-time calls, with a _time32 or
 * 32 suffix (clock_gettime is 263 on ARM either way); glibc and 64-bit musl
 * use the plain names. The structures these calls fill are two longs: on a
 * 32-bit device that is the 32-bit layout the calls expect, even where the C
 * library's own struct timeval and struct timespec have 64-bit seconds. */
#ifndef QEL_KERNEL_CALLS_H
#define QEL_KERNEL_CALLS_H

#include <sys/syscall.h>

#ifdef SYS_clock_gettime32
#define QEL_SYS_CLOCK_GETTIME SYS_clock_gettime32
#else
#define QEL_SYS_CLOCK_GETTIME SYS_clock_gettime
#endif

#ifdef SYS_gettimeofday_time32
#define QEL_SYS_GETTIMEOFDAY SYS_gettimeofday_time32
#define QEL_SYS_SETTIMEOFDAY SYS_settimeofday_time32
#else
#define QEL_SYS_GETTIMEOFDAY SYS_gettimeofday
#define QEL_SYS_SETTIMEOFDAY SYS_settimeofday
#endif

/* struct timespec and struct timeval as the kernel calls above fill them. */
struct qel_kernel_time {
    long sec;
    long fraction; /* nanoseconds or microseconds */
};

#endif
