// SPDX-License-Identifier: MIT
// Local time as the C library gives it, over a stretch of years: for any TZ
// value (a TZ string, or ":path" of a compiled zone), the spans of equal UTC
// offset, daylight flag and abbreviation, each change found to the second.
#pragma once

#include <cstdint>
#include <functional>
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

// Reads [from, to) under TZ=tz in this process; each change between two
// samples is found by halving. A TZ string is sampled every six hours, at
// its changes as this tool's reader computes them and at the hints, and read
// once a run for the same span where there are none (a state that lasts less
// than six hours and falls between samples is not seen); glibc tries it as a
// file under TZDIR first, so the place commands hand TZ strings to the
// readers (libraries.hpp) instead. A compiled zone (":path") is read as
// read_compiled_zone says, its rule line as a TZ string here.
std::vector<Span> read_timeline(const std::string &tz, int64_t from, int64_t to, const std::vector<int64_t> &hints);

// Where a compiled zone's rule line is read: its spans over the same years,
// or null where it was not read.
using RuleLineSpans = std::function<const std::vector<Span> *(const std::string &rule_line)>;

// The compiled zone at `path` read by this process's C library from the
// file, sampled at its transitions and the hints; after its last transition
// its rule line as `rule_line` gives it where that is a POSIX TZ string,
// else the file read on, every six hours and at the rule line's expected
// changes.
std::vector<Span> read_compiled_zone(const std::string &path, int64_t from, int64_t to,
                                     const std::vector<int64_t> &hints, const RuleLineSpans &rule_line);

// Adds the changes of a TZ string over [from, to) as this tool's reader of
// the POSIX grammar computes them (from a year before to a year after).
// False where it cannot tell them: a string outside the grammar, or daylight
// time without the rules for it.
bool expected_changes(const std::string &tz, int64_t from, int64_t to, std::vector<int64_t> &changes);

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
