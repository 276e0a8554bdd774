/* SPDX-License-Identifier: MIT */
/* A consumer of a generated place table (qel-tz table), as firmware uses it.
 *
 *   place_table_walk          walks every name from QEL_PLACES_FROM with
 *                             qel_place_record and qel_place_valid_until; for
 *                             each span prints "NAME FROM UNTIL KIND OFFSETS",
 *                             KIND e (a record), a (an approximate one) or n
 *                             (none), OFFSETS the UTC offset at FROM and
 *                             "t:offset" at each change before UNTIL, as this
 *                             C library reads the record's TZ string;
 *   place_table_walk --records  the same spans with the record's TZ string
 *                             for OFFSETS (none for no record);
 *   place_table_walk --zone   reads "NAME FROM UNTIL ..." lines and prints
 *                             the same for the zone file TZ=":NAME" (TZDIR
 *                             names the release).
 * Lines of the two that differ for a span of kind e are a record that is
 * wrong. Stops with status 1 where the table's calls break their contract. */
#define _DEFAULT_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "qel_places.h"

/* A change is found by stepping 6 hours and halving the step where the
 * offset moved: no zone changes twice within 6 hours in these years. */
#define STEP (6 * 3600)

static long offset_at(int64_t t) {
    time_t u = (time_t)t;
    struct tm tm;
    return localtime_r(&u, &tm) != NULL ? tm.tm_gmtoff : -999999;
}

static void print_offsets(const char *tz, int64_t from, int64_t until) {
    int64_t t;
    long before;
    if (setenv("TZ", tz, 1) != 0) exit(2);
    tzset();
    before = offset_at(from);
    printf(" %ld", before);
    for (t = from; t < until;) {
        int64_t next = t + STEP < until ? t + STEP : until;
        long after = next < until ? offset_at(next) : before;
        if (after != before) {
            int64_t lo = t, hi = next; /* before at lo, not at hi */
            while (hi - lo > 1) {
                int64_t mid = lo + (hi - lo) / 2;
                if (offset_at(mid) == before)
                    lo = mid;
                else
                    hi = mid;
            }
            before = offset_at(hi);
            printf(" %lld:%ld", (long long)hi, before);
            next = hi;
        }
        t = next;
    }
    printf("\n");
}

static int fail(const char *name, const char *what) {
    fprintf(stderr, "place_table_walk: %s: %s\n", name, what);
    return 1;
}

static int walk(int offsets) {
    char name[QEL_PLACE_NAME_SIZE], tz[QEL_TZSTR_SIZE];
    size_t i;
    qel_tzset record;
    if (qel_place_at(qel_place_count()) != NULL || qel_place_find("") != NULL || qel_place_find(NULL) != NULL)
        return fail("-", "a name past the last, or none, is found");
    for (i = 0; i < qel_place_count(); ++i) {
        const qel_place *p = qel_place_at(i);
        int64_t t = QEL_PLACES_FROM;
        if (qel_place_name(p, name, sizeof name) >= sizeof name || qel_place_find(name) != p)
            return fail(name, "its name does not find it");
        if (qel_place_record(p, QEL_PLACES_FROM - 1, &record) != QEL_EINVAL ||
            qel_place_record(p, QEL_PLACES_UNTIL, &record) != QEL_EINVAL ||
            qel_place_record(p, t, NULL) != QEL_EINVAL || qel_place_valid_until(p, QEL_PLACES_UNTIL) != INT64_MIN)
            return fail(name, "a time outside the window or no output is not refused");
        while (t < QEL_PLACES_UNTIL) {
            int64_t until = qel_place_valid_until(p, t);
            int status = qel_place_record(p, t, &record), approximate = qel_place_approximate(p, t);
            qel_tzset last;
            if (until <= t) return fail(name, "a span ends before it starts");
            if (until == INT64_MAX) until = QEL_PLACES_UNTIL;
            if (qel_place_valid_until(p, until - 1) != qel_place_valid_until(p, t) ||
                qel_place_record(p, until - 1, &last) != status ||
                (status == QEL_OK && memcmp(&last, &record, sizeof last) != 0))
                return fail(name, "the record changes within a span");
            printf("%s %lld %lld %c", name, (long long)t, (long long)until,
                   status != QEL_OK ? 'n'
                   : approximate    ? 'a'
                                    : 'e');
            if (status == QEL_OK && qel_tzset_to_tzstr(&record, tz, sizeof tz) == QEL_OK) {
                if (offsets)
                    print_offsets(tz, t, until);
                else
                    printf(" %s\n", tz);
            } else if (status == QEL_ESYSTEM) {
                printf("\n");
            } else {
                return fail(name, "no record and no TZ string");
            }
            t = until;
        }
    }
    return 0;
}

int main(int argc, char **argv) {
    char name[256], tz[260];
    long long from, until;
    int c;
    if (argc < 2) return walk(1);
    if (strcmp(argv[1], "--records") == 0) return walk(0);
    if (strcmp(argv[1], "--zone") != 0) return 2;
    while (scanf("%255s %lld %lld", name, &from, &until) == 3) {
        while ((c = getchar()) != '\n' && c != EOF) continue;
        printf("%s %lld %lld", name, from, until);
        (void)snprintf(tz, sizeof tz, ":%s", name);
        print_offsets(tz, from, until);
    }
    return feof(stdin) ? 0 : 2;
}
