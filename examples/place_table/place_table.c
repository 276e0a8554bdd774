/* SPDX-License-Identifier: MIT */
/* A firmware-style use of the place table (qel-tz table, compiled in by
 * qel_place_table() in CMakeLists.txt): from a place name and a time (UTC
 * seconds, default the window's start) to the settings record in force, the
 * TZ string the library writes for it and until when it holds.
 * Usage: place_table NAME [SECONDS] */
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>

#include "qel_places.h"

int main(int argc, char **argv) {
    const qel_place *place;
    qel_tzset record;
    char tz[QEL_TZSTR_SIZE];
    int64_t now = argc > 2 ? (int64_t)strtoll(argv[2], NULL, 10) : QEL_PLACES_FROM, until;
    int status;
    if (argc < 2) {
        fprintf(stderr, "usage: place_table NAME [SECONDS]\n");
        return 2;
    }
    place = qel_place_find(argv[1]);
    if (place == NULL) {
        printf("%s: not in the table (tz database %s)\n", argv[1], QEL_PLACES_TZDATA);
        return 1;
    }
    status = qel_place_record(place, now, &record);
    if (status == QEL_EINVAL) {
        printf("%s: %" PRId64 " is outside the table's window\n", argv[1], now);
        return 1;
    }
    until = qel_place_valid_until(place, now);
    if (status != QEL_OK) {
        printf("%s: no record holds the place at %" PRId64 "\n", argv[1], now);
    } else if (qel_tzset_to_tzstr(&record, tz, (int32_t)sizeof tz) == QEL_OK) {
        printf("%s: zone %" PRId32 ", daylight saving %s, TZ=%s%s\n", argv[1], record.zone,
               record.dst_on != 0 ? "on" : "off", tz,
               qel_place_approximate(place, now) == 1 ? " (approximate: the nearest record)" : "");
    }
    if (until == INT64_MAX) {
        printf("holds to the end of the table's window (%" PRId64 ")\n", QEL_PLACES_UNTIL);
    } else {
        printf("holds until %" PRId64 "\n", until);
    }
    return status == QEL_OK ? 0 : 1;
}
