/* SPDX-License-Identifier: MIT */
/* A plain C99 program for ci/static_programs.sh, built by
 * qel_static_c_program (cmake/static_reader.cmake) against uClibc-ng and
 * newlib: reads a TZ string from stdin and prints its C library's name and
 * version (from the library's headers), then the local time and daylight
 * flag of 2026-03-29 01:00:00 UTC under that string. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

int main(void) {
    char tz[128];
    if (fgets(tz, sizeof tz, stdin) == NULL) return 2;
    tz[strcspn(tz, "\n")] = '\0';
#if defined(__UCLIBC__)
    printf("uClibc-ng %d.%d.%d", __UCLIBC_MAJOR__, __UCLIBC_MINOR__, __UCLIBC_SUBLEVEL__);
#elif defined(_NEWLIB_VERSION)
    printf("newlib %s", _NEWLIB_VERSION);
#else
    printf("unknown");
#endif
    if (setenv("TZ", tz, 1) != 0) return 2;
    tzset();
    const time_t t = 1774746000; /* 2026-03-29 01:00:00 UTC */
    struct tm tm;
    char text[32];
    if (localtime_r(&t, &tm) == NULL || strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm) == 0) return 1;
    printf(" %s isdst=%d\n", text, tm.tm_isdst);
    return 0;
}
