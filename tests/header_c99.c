/* The public header compiled as strict C99 (no feature macros, so the C
 * library hides struct timezone), and the typical request made from C. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "qel_time.h"

#define CHECK(cond)                                                            \
    do {                                                                       \
        if (!(cond)) {                                                         \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
            return 1;                                                          \
        }                                                                      \
    } while (0)

int main(void) {
    /* The record is 17 consecutive 32-bit words. */
    CHECK(sizeof(qel_tzrule) == 7 * 4);
    CHECK(sizeof(qel_tzset) == 17 * 4);
    CHECK(offsetof(qel_tzset, start) == 3 * 4);
    CHECK(offsetof(qel_tzset, end) == 10 * 4);
    CHECK(offsetof(qel_tzset, end) + offsetof(qel_tzrule, reserved) == 16 * 4);

    qel_tzset set = {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
    char tz[64];
    CHECK(qel_tzset_to_tzstr(&set, tz, (int32_t)sizeof tz) == QEL_OK);
    CHECK(strcmp(tz, "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00") == 0);

    qel_tzset back;
    CHECK(qel_tzstr_to_tzset(tz, &back) == QEL_OK);
    CHECK(memcmp(&back, &set, sizeof set) == 0);

    char zic[256];
    CHECK(qel_tzset_to_zicstr(&set, zic, (int32_t)sizeof zic) == QEL_OK);
    CHECK(strncmp(zic, "Rule qlrule min max - Mar Sun>=29 2:00 1:00 ES\n", 47) == 0);

    CHECK(qel_time_after(2, 1) == 1 && qel_time_before(2, 1) == 0);
    CHECK(QEL_OK == 0 && QEL_EINVAL == -2 && QEL_ESYSTEM == -3 && QEL_ENESTED == -4);
    return 0;
}
