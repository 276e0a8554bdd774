// SPDX-License-Identifier: MIT
// The span of time every judgement covers: by default from the start of the
// current hour (UTC) to the end of the tenth year after this one, so that a
// change already past neither marks a device wrong nor keeps a record from a
// place; --years A-B makes it whole calendar years instead.
#pragma once

#include <cstdint>
#include <string>

namespace qeltz {

// The first second of a year, UTC, and the year of an instant.
int64_t year_start(int year);
int year_of(int64_t utc);

struct Window {
    int64_t from = 0, to = 0;  // [from, to), UTC seconds

    int first_year() const { return year_of(from); }
    int last_year() const { return year_of(to - 1); }
    // "2026-12-07 05:00 to 2037-01-01 00:00 UTC".
    std::string text() const;
    // "2026-2036": the calendar years the window touches.
    std::string years_text() const;
};

// Whole years first..last.
Window years_window(int first, int last);
// From the start of the hour of `now` to the end of the tenth year after.
Window window_from(int64_t now);
// The same window from the start of its first year (the place table's, so
// that a device whose clock is behind still finds a record).
Window from_year_start(const Window &w);

}  // namespace qeltz
