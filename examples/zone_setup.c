/* SPDX-License-Identifier: MIT */
/* Boot-time zone setup: the device's stored settings record becomes the
 * process's TZ, and the calendar functions then give local time in it. A TZ
 * string from elsewhere (the first argument, as a server might send it) is
 * taken only in the form the device reader accepts, and stored in the form
 * the writer gives; any other form is refused and the stored record stays.
 *
 * Prints the TZ it set, the local time of 12:00 UTC on 2024-01-15 and
 * 2024-07-15, and the kernel's timezone (which a setup would set with
 * qel_set_timezone, for the kernel's own use such as FAT file times). */
#define _POSIX_C_SOURCE 200809L /* setenv() and tzset() under -std=c99 */
#define _DEFAULT_SOURCE         /* struct timezone, which POSIX does not have */
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "qel_time.h"

int main(int argc, char **argv) {
    /* UTC+01:00 with one hour of daylight saving from the last Sunday of
     * March, 02:00, to the last Sunday of October, 03:00. */
    qel_tzset stored = {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
    char tz[QEL_TZSTR_SIZE]; /* always takes the whole text: it is never cut */
    const int64_t noons[] = {1705320000, 1721044800};
    struct timezone kernel;
    size_t i;

    if (argc > 1) {
        qel_tzset received;
        if (qel_tzstr_to_tzset(argv[1], &received) == QEL_OK) {
            stored = received;
        } else {
            printf("refused: %s\n", argv[1]);
        }
    }
    if (qel_tzset_to_tzstr(&stored, tz, (int32_t)sizeof tz) != QEL_OK) {
        fprintf(stderr, "the record has no TZ string\n");
        return 1;
    }
    /* The C library reads TZ again only when told so: tzset() after every
     * change (glibc's localtime_r() would otherwise keep the old zone). */
    if (setenv("TZ", tz, 1) != 0) {
        perror("setenv");
        return 1;
    }
    tzset();
    printf("TZ=%s\n", tz);

    for (i = 0; i < sizeof noons / sizeof noons[0]; ++i) {
        char text[QEL_STR_SIZE];
        const int32_t rc = qel_time_to_str(&noons[i], text, (uint32_t)sizeof text);
        if (rc != QEL_OK) {
            fprintf(stderr, "qel_time_to_str failed: %" PRId32 "\n", rc);
            return 1;
        }
        printf("12:00 UTC is %s\n", text);
    }
    if (qel_get_timezone(&kernel) != QEL_OK) {
        fprintf(stderr, "qel_get_timezone failed\n");
        return 1;
    }
    printf("kernel timezone: %d minutes west of UTC\n", kernel.tz_minuteswest);
    return 0;
}
