// SPDX-License-Identifier: MIT
// The zone catalogue: the 35 standard-time offsets the timezone writers know,
// each with its names in the TZ string and in zic text, and the zone codes
// that name them.
#pragma once

#include <cstdint>

#include "qel_time.h"

namespace qel::tz {

// The range of long codes: UTC-12:00 to UTC+14:00.
constexpr int32_t kLongUtc = 10000;
constexpr int32_t kLongFirst = 8800;
constexpr int32_t kLongLast = 11400;

// One zone, as the writers write it. The zic FORMAT holds the zone's name
// with %s where zic puts the letters of the Rule lines.
struct Zone {
    int32_t code;         // long code: 10000 +/- hhmm
    char std[5];          // abbreviation of standard time in the TZ string
    char dst[7];          // abbreviation of daylight time in the TZ string
    char format[7];       // zic FORMAT
    char std_letters[2];  // zic letters of standard time
    char dst_letters[4];  // zic letters of daylight time

    int32_t minutes() const;  // east of UTC
};

// Minutes east of UTC of a long code: d = code - 10000, then 60 * (d / 100)
// + d % 100 with both divisions truncating, so 9570 gives -270.
constexpr int32_t code_minutes(int32_t code) {
    const int32_t d = code - 10000;
    return 60 * (d / 100) + d % 100;
}

// The zone a short (88..114) or long code names, or nullptr.
const Zone *find_zone(int32_t code);

// The UTC zone, written for unknown codes when daylight saving is off.
const Zone &utc_zone();

// Both writers refuse a rule (with daylight saving on) unless it names a
// month 1..12, a week 1..5 and a weekday 0..6.
constexpr bool rule_day_valid(const qel_tzrule &rule) {
    return rule.month >= 1 && rule.month <= 12 && rule.week >= 1 && rule.week <= 5 && rule.wday >= 0 && rule.wday <= 6;
}

}  // namespace qel::tz
