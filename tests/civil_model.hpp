// SPDX-License-Identifier: MIT
// An independent model of what a timezone record means: the instants at
// which daylight time starts and ends in a year, under the POSIX reading of a
// rule (week 5 = the last such weekday) and under zic's reading of the text
// the library writes ("on or after day 7 * (week - 1) + 1").
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "qel_time.h"

namespace qeltest {

// Days since 1970-01-01 of a civil date; the day may run past the month's end.
constexpr int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (d - 1);
}

constexpr int weekday(int64_t days) { return static_cast<int>(((days % 7) + 11) % 7); }  // 0 = Sunday

constexpr int days_in_month(int64_t y, int m) {
    return static_cast<int>(days_from_civil(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) - days_from_civil(y, m, 1));
}

enum class Reading { posix, zic };

// Day number of the rule's day in year y.
inline int64_t rule_day(int64_t y, const qel_tzrule &r, Reading reading) {
    const int64_t first = days_from_civil(y, r.month, 1);
    if (reading == Reading::posix && r.week == 5) {
        const int64_t last = first + days_in_month(y, r.month) - 1;
        return last - (weekday(last) - r.wday + 7) % 7;
    }
    const int64_t from = first + 7 * (r.week - 1);
    return from + (r.wday - weekday(from) + 7) % 7;
}

struct Change {
    int64_t posix_at;  // UTC seconds of the change under the POSIX reading
    int64_t zic_at;    // the same change under zic's reading (seconds dropped)
    int32_t gmtoff;    // seconds east of UTC from then on
    bool dst;          // daylight time from then on
    int32_t week;      // the rule's week
};

// The changes of years year_from..year_to for a zone of standard offset
// std_minutes and daylight amount dst_minutes, ordered by the POSIX instant.
inline std::vector<Change> changes(const qel_tzset &r, int32_t std_minutes, int32_t dst_minutes, int64_t year_from,
                                   int64_t year_to) {
    std::vector<Change> out;
    for (int64_t y = year_from; y <= year_to; ++y) {
        for (int which = 0; which < 2; ++which) {
            const qel_tzrule &rule = which == 0 ? r.start : r.end;
            const int32_t before = which == 0 ? std_minutes : std_minutes + dst_minutes;
            const int32_t after = which == 0 ? std_minutes + dst_minutes : std_minutes;
            const int64_t time_of_day = rule.hour * 3600 + rule.minute * 60 - before * 60;
            out.push_back(Change{rule_day(y, rule, Reading::posix) * 86400 + time_of_day + rule.second,
                                 rule_day(y, rule, Reading::zic) * 86400 + time_of_day, after * 60, which == 0,
                                 rule.week});
        }
    }
    std::sort(out.begin(), out.end(), [](const Change &a, const Change &b) { return a.posix_at < b.posix_at; });
    return out;
}

}  // namespace qeltest
