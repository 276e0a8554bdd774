/* SPDX-License-Identifier: MIT */
/* tz-reader-glibc, tz-reader-musl: qel-tz's readers of TZ strings, one per
 * C library (see tz_reader.h for the protocol).
 *
 *   tz-reader FROM TO [STEP [--hints]]
 *       reads the strings on stdin over [FROM, TO), UTC seconds from the
 *       year 1 to 9999, sampling every STEP seconds (60..86400, default
 *       3600); with --hints, each string's line is followed by a line of
 *       its own step and hints
 *   tz-reader --version              prints "NAME VERSION" of its C library
 *
 * Exit status 0 when every line was answered, 1 on a write error, 2 for
 * wrong arguments or when no private TZDIR could be made. */
#define _DEFAULT_SOURCE 1
#define _POSIX_C_SOURCE 200809L

#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "readers/tz_reader.h"

/* A decimal number from low to high, digits with an optional '-'. */
static int parse_number(const char *text, long long low, long long high, long long *number) {
    long long value = 0;
    const int negative = *text == '-';
    text += negative;
    if (*text == '\0' || strlen(text) > 15) return 0;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') return 0;
        value = value * 10 + (*text - '0');
    }
    *number = negative ? -value : value;
    return *number >= low && *number <= high;
}

int main(int argc, char **argv) {
    static char output[65536];
    char dir[512];
    long long from = 0, to = 0, step = TZR_STEP;
    long records;
    const int hinted = argc == 5 && strcmp(argv[4], "--hints") == 0;
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        return printf("%s\n", tzr_library()) > 0 ? 0 : 1;
    }
    if (argc < 3 || argc > 5 || (argc == 5 && !hinted) ||
        !parse_number(argv[1], tzr_year_start(1), tzr_year_start(10000) - 1, &from) ||
        !parse_number(argv[2], from + 1, tzr_year_start(10000), &to) ||
        (argc >= 4 && !parse_number(argv[3], 60, 86400, &step))) {
        (void)fprintf(stderr,
                      "usage: %s FROM TO [STEP [--hints]] (UTC seconds of the years 1..9999, step 60..86400 "
                      "seconds), TZ strings on stdin\n",
                      argv[0]);
        return 2;
    }
    if (!tzr_span_fits(from, to)) {
        (void)fprintf(stderr, "%s: %s to %s does not fit this reader's time_t\n", argv[0], argv[1], argv[2]);
        return 2;
    }
    if (tzr_protect(dir, sizeof dir) != 0) {
        (void)fprintf(stderr, "%s: cannot make a private TZDIR\n", argv[0]);
        return 2;
    }
    if (tzr_lean_environment(dir) != 0) {
        (void)fprintf(stderr, "%s: cannot clear the environment\n", argv[0]);
#ifndef _NEWLIB_VERSION
        (void)rmdir(dir);
#endif
        return 2;
    }
    /* A reader whose caller stops listening ends through a write error, and
     * so still removes its directory. Its answer goes out in large writes. */
    (void)signal(SIGPIPE, SIG_IGN);
    (void)setvbuf(stdout, output, _IOFBF, sizeof output);
    records = printf("reader %s\n", tzr_library()) > 0 && fflush(stdout) == 0
                  ? tzr_serve(stdin, stdout, from, to, (long)step, hinted)
                  : -1;
#ifndef _NEWLIB_VERSION /* tzr_protect made no directory there */
    (void)rmdir(dir);
#endif
    return records < 0 ? 1 : 0;
}
