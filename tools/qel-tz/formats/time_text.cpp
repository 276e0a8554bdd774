// SPDX-License-Identifier: MIT
#include "formats/time_text.hpp"

#include <cstdio>
#include <ctime>

namespace qeltz {

namespace {

std::string formatted(int64_t utc, const char *format) {
    const auto t = static_cast<time_t>(utc);
    struct tm tm {};
    char buf[48] = "?";
    if (gmtime_r(&t, &tm) != nullptr) (void)std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

}  // namespace

std::string date_time_text(int64_t utc, int64_t offset) { return formatted(utc + offset, "%Y-%m-%d %H:%M:%S"); }

std::string minute_text(int64_t utc) { return formatted(utc, "%Y-%m-%d %H:%M"); }

std::string iso_utc(int64_t utc) { return formatted(utc, "%Y-%m-%dT%H:%M:%SZ"); }

std::string utc_offset_text(int64_t seconds_east) {
    const int64_t m = (seconds_east < 0 ? -seconds_east : seconds_east) / 60;
    char buf[32];
    (void)std::snprintf(buf, sizeof buf, "UTC%c%02lld:%02lld", seconds_east < 0 ? '-' : '+',
                        static_cast<long long>(m / 60), static_cast<long long>(m % 60));
    return buf;
}

}  // namespace qeltz
