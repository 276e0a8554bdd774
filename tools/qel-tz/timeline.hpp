// Local time as the C library gives it, over a stretch of years: for any TZ
// value (a TZ string, or ":path" of a compiled zone), the spans of equal UTC
// offset, daylight flag and abbreviation, each change found to the second.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qeltz {

struct Span {
    int64_t from = 0;    // UTC, the first second of the span
    int32_t offset = 0;  // seconds east of UTC
    bool isdst = false;
    std::string abbr;
};

bool same_local_time(const Span &a, const Span &b);

// Reads [from, to) under TZ=tz. Local time is sampled every six hours and at
// every hint (such as a zone's own transitions), and each change between two
// samples is found by halving; a state that lasts less than six hours and
// falls between samples and hints is not seen.
std::vector<Span> read_timeline(const std::string &tz, int64_t from, int64_t to, const std::vector<int64_t> &hints);

// The first second of a year, UTC.
int64_t year_start(int year);

// The years first..last: from the first second of the first to the first of
// the year after the last.
struct Years {
    int first = 0, last = 0;

    int64_t from() const { return year_start(first); }
    int64_t to() const { return year_start(last + 1); }
    std::string text() const { return std::to_string(first) + "-" + std::to_string(last); }
};

}  // namespace qeltz
