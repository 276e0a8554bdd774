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

// Reads [from, to) under TZ=tz; each change between two samples is found by
// halving. A TZ string is sampled every six hours and at its changes as this
// tool's reader computes them, and read once a run for the same span (a
// state that lasts less than six hours and falls between samples is not
// seen). A compiled zone (":path") is sampled at its transitions and the
// hints, and after its last transition read as its rule line.
std::vector<Span> read_timeline(const std::string &tz, int64_t from, int64_t to, const std::vector<int64_t> &hints);

// Local time under TZ=tz over [from, to), read at `from`, at each of the
// samples within and at the last second, each change between two readings
// found by halving; nothing is kept between calls.
std::vector<Span> read_at_samples(const std::string &tz, int64_t from, int64_t to, std::vector<int64_t> samples);

// The first second of a year, UTC.
int64_t year_start(int year);

// The years first..last: from the first second of the first to the first of
// the year after the last.
struct Years {
    int first = 0, last = 0;
    int64_t start = 0;  // where not 0, an instant of the first year at which the span begins instead

    int64_t from() const { return start != 0 ? start : year_start(first); }
    int64_t to() const { return year_start(last + 1); }
    // "2026-2036", or "2026-12-06 12:00 UTC to 2036" from an instant.
    std::string text() const;
};

}  // namespace qeltz
