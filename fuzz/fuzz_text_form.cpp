// SPDX-License-Identifier: MIT
// The text-form reader on any text: result codes from their sets only, at
// most 19 characters read, nothing written outside the caller's structure, and
// a time it reads formats back.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "fuzz_check.hpp"
#include "qel_time.h"

namespace {

using qelfuzz::Guarded;

struct Read {
    int32_t rc;
    struct tm tm;
};

Read read_text(const char *text) {
    Guarded<sizeof(struct tm)> out(0x00);
    const int32_t rc = qel_str_to_timetm(text, reinterpret_cast<struct tm *>(out.bytes));
    FUZZ_CHECK(rc == QEL_OK || rc == QEL_ESYSTEM);
    FUZZ_CHECK(out.guards_intact());
    Read r{rc, {}};
    std::memcpy(&r.tm, out.bytes, sizeof r.tm);
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size < 256 ? size : 256);
    const Read whole = read_text(text.c_str());
    const Read cut = read_text(text.substr(0, 19).c_str());
    FUZZ_CHECK(whole.rc == cut.rc);
    FUZZ_CHECK(std::memcmp(&whole.tm, &cut.tm, sizeof whole.tm) == 0);

    int64_t value = 77;
    const int32_t rc = qel_str_to_time(text.c_str(), &value);
    FUZZ_CHECK(rc == QEL_OK || rc == QEL_ENESTED);
    if (rc != QEL_OK) FUZZ_CHECK(value == 77);
    if (rc == QEL_OK) {
        FUZZ_CHECK(value >= 0);
        char back[20];
        FUZZ_CHECK(qel_time_to_str(&value, back, sizeof back) == QEL_OK);
    }
    return 0;
}
