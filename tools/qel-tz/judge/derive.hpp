// SPDX-License-Identifier: MIT
// From a place's rule (the TZ string at the end of its compiled zone) to a
// device settings record, rewriting what the record cannot hold as it stands
// into an equivalent it can, or saying why no record can express it.
#pragma once

#include <string>
#include <vector>

#include "formats/posix_tz.hpp"
#include "formats/tzif.hpp"
#include "judge/reasons.hpp"
#include "judge/window.hpp"
#include "qel_time.h"

namespace qeltz {

struct Derivation {
    bool representable = false;
    qel_tzset record{};
    PosixTz rule;  // the rule the record holds (after the rewrites), where representable
    // A schedule's nearest record where none expresses the place: what it
    // gets wrong, in words ("": it expresses the place).
    std::string approximate;
    bool rule_line_holds = false;  // then: the place's own rule line gives its offsets over the span
    std::vector<Reason> rewrites;  // what was rewritten or taken, each giving the same offsets
    std::vector<Reason> reasons;   // why no record can express the rule
    // A rule rewritten to an equivalent that falls on the same days only in
    // some years: the last year from the window's on in which it still does
    // (0: every year).
    int valid_through = 0;
};

// Derives the record for a place over the window: from its rule line where
// that gives the place's local time throughout the window, else from the
// changes the place makes within the window (a zone without daylight saving
// in 1970, a place that has just dropped it), else none, saying why.
Derivation derive_place(const TzifZone &zone, Window window);

// Derives the record for a POSIX rule over the window's years.
Derivation derive_record(const PosixTz &given, Window window);

// The record's rule as a POSIX rule, and back where the record can hold it:
// the month-week-day form at a time from 00:00:00 to 24:00:00.
PosixRule rule_of(const qel_tzrule &r);
bool record_can_hold(const PosixRule &rule);
qel_tzrule record_rule(const PosixRule &rule);

// The daylight amounts a TZ string of the record carries.
bool tz_string_carries(int32_t dst_minutes);

}  // namespace qeltz
