// SPDX-License-Identifier: MIT
// qel-tz's reader of the full POSIX TZ grammar on any text: it accepts or
// refuses with a reason; what it accepts has rules whose text reads back to
// the same rule, offsets within the grammar's bounds, and rule instants that
// can be computed for any year without overflow.
#include <cstdint>
#include <string>

#include "formats/posix_tz.hpp"
#include "fuzz_check.hpp"

namespace {

void check_rule(const qeltz::PosixRule &rule) {
    qeltz::PosixRule again;
    std::string why;
    FUZZ_CHECK(qeltz::parse_posix_rule(qeltz::rule_text(rule), again, why));
    FUZZ_CHECK(again.form == rule.form && again.day == rule.day && again.month == rule.month &&
               again.week == rule.week && again.wday == rule.wday && again.time == rule.time);
    FUZZ_CHECK(rule.time > -168 * 3600 && rule.time < 168 * 3600);
    for (int year : {1900, 2026, 2028, 2400}) (void)qeltz::rule_local_seconds(rule, year);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    qeltz::PosixTz tz;
    std::string why;
    if (!qeltz::parse_posix_tz(text, tz, why)) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    FUZZ_CHECK(tz.std_name.size() >= 3 && tz.std_offset >= -25 * 3600 && tz.std_offset <= 25 * 3600);
    FUZZ_CHECK(!tz.has_rules || tz.has_dst);
    if (tz.has_rules) {
        check_rule(tz.start);
        check_rule(tz.end);
    }
    qeltz::PosixRule alone;
    if (qeltz::parse_posix_rule(text, alone, why)) check_rule(alone);
    return 0;
}
