/* SPDX-License-Identifier: MIT */
/* Prints, one "case<TAB>result" line each, what the calendar functions give
 * for inputs where C libraries differ. docs/c-libraries.md keeps a table of
 * these results for glibc, musl and uClibc-ng; check_c_library_table.sh compares the
 * table's column for the C library at hand with this program's output. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "qel_time.h"

static void print_read(const char *key, const char *text) {
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    const int32_t rc = qel_str_to_timetm(text, &tm);
    if (rc != QEL_OK) {
        printf("%s\t%d\n", key, (int)rc);
    } else {
        printf("%s\t%d wday=%d yday=%d sec=%d\n", key, (int)rc, tm.tm_wday, tm.tm_yday, tm.tm_sec);
    }
}

static void print_mktime(const char *key, int mon, int mday, int hour, int isdst) {
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = mon - 1;
    tm.tm_mday = mday;
    tm.tm_hour = hour;
    tm.tm_min = 30;
    tm.tm_isdst = isdst;
    int64_t t = 0;
    const int32_t rc = qel_tm_to_time(&tm, &t);
    printf("%s\t%d %lld isdst=%d\n", key, (int)rc, (long long)t, tm.tm_isdst);
}

static void print_text(const char *key, int year, int second) {
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = year - 1900;
    tm.tm_mday = 1;
    tm.tm_sec = second;
    char text[32];
    const int32_t rc = qel_timetm_to_str(&tm, text, sizeof text);
    printf("%s\t%d %s\n", key, (int)rc, rc == QEL_OK ? text : "-");
}

int main(void) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    print_read("strptime-fields", "2026-03-04 12:00:00");
    print_read("strptime-leading-blank", " 2026-03-04 12:00:00");
    print_read("strptime-second-61", "2026-03-04 12:00:61");
    print_mktime("mktime-spring-gap", 3, 29, 2, -1);
    print_mktime("mktime-autumn-overlap", 10, 25, 2, -1);

    setenv("TZ", "UTC0", 1);
    tzset();
    print_mktime("mktime-isdst-without-dst", 1, 1, 0, 1);
    print_text("strftime-year-999", 999, 0);
    print_text("strftime-year-10000", 10000, 0);
    print_text("strftime-second-61", 2026, 61);

    struct tm utc;
    const int32_t rc = qel_get_timetm(&utc, 1);
    printf("gmtime-zone-name\t%d %s\n", (int)rc, rc == QEL_OK ? utc.tm_zone : "-");

    /* TZ changed at run time: 12:00 UTC as local time before and after tzset(). */
    const int64_t noon = 43200;
    char before[32] = "-", after[32] = "-";
    setenv("TZ", "JST-9", 1);
    const int32_t rc_before = qel_time_to_str(&noon, before, sizeof before);
    tzset();
    const int32_t rc_after = qel_time_to_str(&noon, after, sizeof after);
    printf("tz-change-then-tzset\t%d %s, %d %s\n", (int)rc_before, before + 11, (int)rc_after, after + 11);
    return 0;
}
