// SPDX-License-Identifier: MIT
#include "judge/window.hpp"

#include "formats/posix_tz.hpp"
#include "formats/time_text.hpp"

namespace qeltz {

int64_t year_start(int year) { return days_from_civil(year, 1, 1) * 86400; }

int year_of(int64_t utc) {
    // A year is 365.2425 days on average: start from that guess and correct it.
    int year = static_cast<int>(1970 + (utc / 86400) * 400 / 146097);
    while (year_start(year) > utc) --year;
    while (year_start(year + 1) <= utc) ++year;
    return year;
}

std::string Window::text() const { return minute_text(from) + " to " + minute_text(to) + " UTC"; }

std::string Window::years_text() const {
    const int a = first_year(), b = last_year();
    return a == b ? std::to_string(a) : std::to_string(a) + "-" + std::to_string(b);
}

Window years_window(int first, int last) { return {year_start(first), year_start(last + 1)}; }

Window window_from(int64_t now) {
    const int64_t hour = now - ((now % 3600) + 3600) % 3600;
    return {hour, year_start(year_of(now) + 11)};
}

Window from_year_start(const Window &w) { return {year_start(w.first_year()), w.to}; }

}  // namespace qeltz
