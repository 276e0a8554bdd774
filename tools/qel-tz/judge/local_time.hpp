// SPDX-License-Identifier: MIT
// Local time over a window as spans of equal UTC offset, daylight flag and
// abbreviation: computed here from a compiled zone's table and from a POSIX
// rule. The C libraries' own readings of TZ strings come from their readers
// (system/libraries.hpp); this is the tool's own arithmetic, which derives
// records and tells the readers where to look.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/posix_tz.hpp"
#include "formats/tzif.hpp"
#include "judge/window.hpp"

namespace qeltz {

struct Span {
    int64_t from = 0;    // UTC, the first second of the span
    int32_t offset = 0;  // seconds east of UTC
    bool isdst = false;
    std::string abbr;
};

bool same_local_time(const Span &a, const Span &b);

// The spans from `from` on: the one in force then (starting at `from`) and
// those after it.
std::vector<Span> spans_from(const std::vector<Span> &spans, int64_t from);

// The changes of a TZ string over the window as the POSIX rules put them
// (from a year before to a year after). False where the string cannot tell
// them: outside the grammar, or daylight time without rules.
bool expected_changes(const std::string &tz, Window window, std::vector<int64_t> &changes);

// The local time a POSIX TZ string gives over the window, by its rules.
// Empty where it cannot tell (daylight time without rules).
std::vector<Span> rule_local_time(const PosixTz &tz, Window window);

// The local time of a compiled zone over the window, as the C library takes
// it from the file: before the first transition the first standard time type,
// at each transition its type, and after the last one (or throughout, without
// transitions) the rule line, where it has one. `rule_line` is the rule
// line's local time over the window as read elsewhere (a C library's reader);
// null: computed here from its rules.
std::vector<Span> zone_local_time(const TzifZone &zone, Window window, const std::vector<Span> *rule_line = nullptr);

}  // namespace qeltz
