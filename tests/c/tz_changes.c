/* Prints how the C library reads the TZ strings the writer makes: for every
 * zone of the catalogue with daylight saving off, and for each zone with a
 * spread of amounts and rules, the offset, daylight flag and abbreviation in
 * force at the start of 2026 and at every change up to the end of 2028, each
 * change to the second. The output of a glibc build and of a musl build must
 * be the same; ci/musl.sh compares them. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "qel_time.h"

enum { kFrom = 1767225600, kTo = 1861920000 }; /* 2026-01-01 .. 2029-01-01 UTC */

struct reading {
    long gmtoff;
    int isdst;
    char zone[16];
};

static struct reading read_at(time_t t) {
    struct reading r;
    struct tm tm;
    memset(&r, 0, sizeof r);
    memset(&tm, 0, sizeof tm);
    if (localtime_r(&t, &tm) != NULL) {
        r.gmtoff = tm.tm_gmtoff;
        r.isdst = tm.tm_isdst;
        snprintf(r.zone, sizeof r.zone, "%s", tm.tm_zone != NULL ? tm.tm_zone : "?");
    }
    return r;
}

static int same(const struct reading *a, const struct reading *b) {
    return a->gmtoff == b->gmtoff && a->isdst == b->isdst && strcmp(a->zone, b->zone) == 0;
}

/* Days are sampled; a change between two samples is found to the second by
 * halving. No rule here keeps daylight time for less than a day. */
static void print_changes(const char *tz) {
    setenv("TZ", tz, 1);
    tzset();
    struct reading now = read_at(kFrom);
    printf("%s\n  from %ld %d %s\n", tz, now.gmtoff, now.isdst, now.zone);
    for (time_t day = kFrom; day < kTo; day += 86400) {
        struct reading next = read_at(day + 86400);
        if (same(&now, &next)) continue;
        time_t lo = day, hi = day + 86400; /* same as now at lo, changed at hi */
        while (hi - lo > 1) {
            const time_t mid = lo + (hi - lo) / 2;
            const struct reading m = read_at(mid);
            if (same(&now, &m))
                lo = mid;
            else
                hi = mid;
        }
        next = read_at(hi);
        printf("  at %lld %ld %d %s\n", (long long)hi, next.gmtoff, next.isdst, next.zone);
        now = read_at(day + 86400);
    }
}

int main(void) {
    static const qel_tzrule kRules[][2] = {
        {{3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}}, /* Europe */
        {{3, 2, 0, 2, 0, 0, 0}, {11, 1, 0, 2, 0, 0, 0}}, /* North America */
        {{10, 1, 0, 2, 0, 0, 0}, {4, 1, 0, 3, 0, 0, 0}}, /* southern hemisphere */
        {{9, 5, 6, 23, 59, 59, 0}, {4, 1, 5, 0, 0, 0, 0}},
    };
    static const int kAmounts[] = {60, 30, 90, 120};
    char utc[64], tz[64];
    qel_tzset set;
    memset(&set, 0, sizeof set);
    set.zone = 10000;
    if (qel_tzset_to_tzstr(&set, utc, sizeof utc) != QEL_OK) return 1;

    /* Every quarter-hour offset from -12:00 to +14:00; an offset outside the
     * catalogue is written as UTC and skipped. */
    int zones = 0;
    for (int quarter = -48; quarter <= 56; ++quarter) {
        const int minutes = quarter * 15, sign = minutes < 0 ? -1 : 1;
        set.zone = 10000 + sign * ((sign * minutes) / 60 * 100 + (sign * minutes) % 60);
        set.dst_on = 0;
        if (qel_tzset_to_tzstr(&set, tz, sizeof tz) != QEL_OK) return 1;
        if (set.zone != 10000 && strcmp(tz, utc) == 0) continue;
        ++zones;
        print_changes(tz);
        set.dst_on = 1;
        for (size_t i = 0; i < sizeof kRules / sizeof kRules[0]; ++i) {
            set.dst_minutes = kAmounts[(quarter + 48 + (int)i) % 4];
            set.start = kRules[i][0];
            set.end = kRules[i][1];
            if (qel_tzset_to_tzstr(&set, tz, sizeof tz) != QEL_OK) return 1;
            print_changes(tz);
        }
    }
    printf("zones %d\n", zones);
    return zones == 35 ? 0 : 1;
}
