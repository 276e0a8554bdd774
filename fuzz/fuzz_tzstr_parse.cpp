// SPDX-License-Identifier: MIT
// The TZ parser on any text, beside the plain strtok/atoi reading of the
// tests: both give the same result code and the same record. The parser also
// answers only 0 or -2, writes the record only on 0 and never outside it.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.hpp"
#include "qel_time.h"
#include "tzstr_oracle.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size < 512 ? size : 512);
    qelfuzz::Guarded<sizeof(qel_tzset)> out(0xA7);
    const qelfuzz::Guarded<sizeof(qel_tzset)> pristine(0xA7);
    const int32_t rc = qel_tzstr_to_tzset(text.c_str(), reinterpret_cast<qel_tzset *>(out.bytes));
    FUZZ_CHECK(rc == QEL_OK || rc == QEL_EINVAL);
    FUZZ_CHECK(out.guards_intact());
    if (rc != QEL_OK) FUZZ_CHECK(std::memcmp(out.bytes, pristine.bytes, sizeof out.bytes) == 0);

    qel_tzset want{};
    FUZZ_CHECK(qeloracle::tzstr_to_tzset(text.c_str(), &want) == rc);
    if (rc == QEL_OK) FUZZ_CHECK(std::memcmp(out.bytes, &want, sizeof want) == 0);
    return 0;
}
