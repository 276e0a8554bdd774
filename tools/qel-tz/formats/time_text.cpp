// SPDX-License-Identifier: MIT
#include "formats/time_text.hpp"

#include <cstdio>

namespace qeltz {

namespace {

// The UTC date and time of an instant, by the tool's own calendar, so that
// instants past 2038 read the same where time_t has 32 bits: the civil date
// of a day count since 1970-01-01 (the inverse of days_from_civil, in
// 400-year eras of 146097 days whose years start on March 1).
struct Civil {
    long long year;
    int month, day, hour, minute, second;
};

Civil civil_of(int64_t utc) {
    const int64_t floor_days = utc / 86400 - (utc % 86400 < 0 ? 1 : 0);
    const int64_t seconds = utc - floor_days * 86400;
    const int64_t z = floor_days + 719468;  // days since 0000-03-01
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;                                       // day of the era, 0..146096
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // year of the era, 0..399
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // day of the year from March 1
    const int64_t mp = (5 * doy + 2) / 153;                                     // month from March, 0..11
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<long long>(yoe + era * 400 + (month <= 2 ? 1 : 0)),
            month,
            static_cast<int>(doy - (153 * mp + 2) / 5 + 1),
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60)};
}

// "2026-03-29", then `separator`, then the time to the second or the minute.
std::string formatted(int64_t utc, char separator, bool with_seconds, const char *suffix = "") {
    const Civil c = civil_of(utc);
    char buf[64];
    (void)std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d%c%02d:%02d", c.year, c.month, c.day, separator, c.hour,
                        c.minute);
    std::string out = buf;
    if (with_seconds) {
        (void)std::snprintf(buf, sizeof buf, ":%02d", c.second);
        out += buf;
    }
    return out + suffix;
}

}  // namespace

std::string weeks_text(int64_t utc) {
    static const char *const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    const Civil c = civil_of(utc);
    return std::string(c.day <= 10 ? "early " : c.day <= 20 ? "mid " : "late ") + kMonths[c.month - 1];
}

std::string date_time_text(int64_t utc, int64_t offset) { return formatted(utc + offset, ' ', true); }

std::string minute_text(int64_t utc) { return formatted(utc, ' ', false); }

std::string iso_utc(int64_t utc) { return formatted(utc, 'T', true, "Z"); }

std::string duration_text(int64_t seconds) {
    const int64_t units[] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
    const char *const names[] = {" hour", " minute", " second"};
    std::string text;
    for (size_t i = 0; i < 3; ++i) {
        if (units[i] == 0 && (i < 2 || !text.empty())) continue;
        text += (text.empty() ? "" : " ") + std::to_string(units[i]) + names[i] + (units[i] == 1 ? "" : "s");
    }
    return text;
}

std::string utc_offset_text(int64_t seconds_east) {
    const int64_t m = (seconds_east < 0 ? -seconds_east : seconds_east) / 60;
    char buf[32];
    (void)std::snprintf(buf, sizeof buf, "UTC%c%02lld:%02lld", seconds_east < 0 ? '-' : '+',
                        static_cast<long long>(m / 60), static_cast<long long>(m % 60));
    return buf;
}

}  // namespace qeltz
