/* SPDX-License-Identifier: MIT */
/* The typical request from C: a device's timezone settings turned into a TZ
 * string, read back, and written as zic text; then a delay check on the
 * uptime. Every result code is checked. */
#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "qel_time.h"

static int report(const char *what, int32_t rc) {
    if (rc != QEL_OK) fprintf(stderr, "%s failed: %" PRId32 "\n", what, rc);
    return rc != QEL_OK;
}

int main(void) {
    /* UTC+01:00 with one hour of daylight saving from the last Sunday of
     * March, 02:00, to the last Sunday of October, 03:00. */
    const qel_tzset settings = {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
    char tz[QEL_TZSTR_SIZE]; /* the sizes that take every text whole */
    char zic[QEL_ZICSTR_SIZE];
    qel_tzset back;
    int64_t up = 0;
    int32_t due;

    if (report("qel_tzset_to_tzstr", qel_tzset_to_tzstr(&settings, tz, (int32_t)sizeof tz))) return 1;
    printf("TZ=%s\n", tz);

    if (report("qel_tzstr_to_tzset", qel_tzstr_to_tzset(tz, &back))) return 1;
    if (memcmp(&back, &settings, sizeof back) != 0) {
        fprintf(stderr, "the TZ string read back as another record\n");
        return 1;
    }

    if (report("qel_tzset_to_zicstr", qel_tzset_to_zicstr(&settings, zic, (int32_t)sizeof zic))) return 1;
    fputs(zic, stdout);

    /* A delay check: has a 0-second delay since boot elapsed? It has. */
    if (report("qel_get_uptime", qel_get_uptime(&up))) return 1;
    due = qel_uptime_delay(up, 0);
    if (due < 0) {
        fprintf(stderr, "qel_uptime_delay failed: %" PRId32 "\n", due);
        return 1;
    }
    printf("uptime %" PRId64 " s; a 0 s delay from now has %selapsed\n", up, due == 1 ? "" : "not ");
    return due == 1 ? 0 : 1;
}
