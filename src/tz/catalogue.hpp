// The zone catalogue: the 35 standard-time offsets that the timezone writers
// know, their names, and the zone codes that name them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qel_time.h"

namespace qel::tz {

// Zone codes: short form 100 + hours for whole hours (88..114); long form
// 10000 +/- hhmm (8800..11400).
constexpr int32_t kShortFirst = 88;
constexpr int32_t kShortLast = 114;
constexpr int32_t kLongUtc = 10000;
constexpr int32_t kLongFirst = 8800;
constexpr int32_t kLongLast = 11400;

// Offset in minutes east of UTC of a long code within 8800..11400 (both
// divisions truncate, so 9570 gives -270).
constexpr int32_t code_minutes(int32_t code) {
    const int32_t d = code - kLongUtc;
    return 60 * (d / 100) + d % 100;
}

// An abbreviation of at most N characters, kept with its length. The bytes
// after it are NUL, so the writers may copy the whole field and move on by
// the length: what they write next covers the rest.
template <size_t N>
struct Name {
    char text[N] = {};
    uint8_t length = 0;

    Name() = default;
    template <size_t L>
    constexpr explicit Name(const char (&s)[L]) : length(L - 1) {
        static_assert(L - 1 <= N, "abbreviation too long for its field");
        for (size_t i = 0; i + 1 < L; ++i) text[i] = s[i];
    }
};

struct Zone {
    int16_t code;  // long code of the standard offset
    Name<4> std;   // abbreviation of standard time
    Name<6> dst;   // abbreviation of daylight time
    // zic FORMAT: the standard name with the part between these two counts
    // replaced by %s ("CET", 1, 1 gives "C%sT"); that part is the zic letters
    // of standard time, and the matching part of the daylight name those of
    // daylight time.
    uint8_t zic_prefix;
    uint8_t zic_suffix;

    template <size_t S, size_t D>
    constexpr Zone(int16_t long_code, const char (&std_name)[S], const char (&dst_name)[D], uint8_t prefix,
                   uint8_t suffix)
        : code(long_code), std(std_name), dst(dst_name), zic_prefix(prefix), zic_suffix(suffix) {}

    constexpr int32_t minutes() const { return code_minutes(code); }
};

// The zone a short or long code names, or nullptr when the code is not one
// of the 62 codes of the catalogue.
const Zone *find_zone(int32_t code);

// The UTC zone, written for unknown codes when daylight saving is off.
const Zone &utc_zone();

// Both writers refuse a rule (with daylight saving on) unless it names a
// month 1..12, a week 1..5 and a weekday 0..6.
constexpr bool rule_day_valid(const qel_tzrule &rule) {
    return rule.month >= 1 && rule.month <= 12 && rule.week >= 1 && rule.week <= 5 && rule.wday >= 0 && rule.wday <= 6;
}

}  // namespace qel::tz
