/* SPDX-License-Identifier: MIT */
/* An empty function behind the same kind of shared-library ABI as the
 * library's: the floor the ordering tests are measured against. */
#include <stdint.h>

__attribute__((visibility("default"))) int32_t qelbench_empty_call(int64_t a, int64_t b) {
    (void)a;
    (void)b;
    return 0;
}
