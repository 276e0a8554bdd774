// SPDX-License-Identifier: MIT
// A reader of the full POSIX TZ grammar, with the extensions the tz database
// writes into compiled zones (RFC 8536): quoted names such as <+0545>, rule
// times from -167 to 167 hours. Unlike the device library's parser it takes
// every form a provisioning server or a compiled zone may hold: omitted
// daylight offsets and rule times, and the Jn and n day forms.
//
//   std offset [dst [offset] [,start[/time],end[/time]]]
//
// Why a second reader beside the device library's (src/tz/tzstr_parse.cpp):
// the library's reads only the form its writer writes, with strtok's
// field-splitting and atoi's number rules, and answers yes or no, without
// heap or state; this one reads the full POSIX grammar and gives the reason
// for every refusal, for strings from anywhere. Keep both: merging them
// would change what a device reads or lose the tool's reasons.
#pragma once

#include <cstdint>
#include <string>

namespace qeltz {

struct PosixRule {
    enum Form { kJulian, kDayOfYear, kMonthWeekDay };  // Jn (1..365, no Feb 29), n (0..365), Mm.w.d
    Form form = kMonthWeekDay;
    int day = 0;  // Jn or n
    int month = 0, week = 0, wday = 0;
    int32_t time = 7200;      // seconds after local midnight, in the time before the change
    bool time_given = false;  // false: the default 02:00:00
};

struct PosixTz {
    std::string std_name, dst_name;
    int32_t std_offset = 0;  // seconds east of UTC (the text's sign reversed)
    bool has_dst = false;
    int32_t dst_offset = 0;  // seconds east of UTC; std + 1 hour when omitted
    bool dst_offset_given = false;
    bool has_rules = false;  // without rules the C library chooses its own
    PosixRule start, end;
};

// False, with the reason in `why`, for text outside the grammar.
bool parse_posix_tz(const std::string &text, PosixTz &tz, std::string &why);

// One rule alone, "Mm.w.d[/time]", "Jn[/time]" or "n[/time]".
bool parse_posix_rule(const std::string &text, PosixRule &rule, std::string &why);

// The rule in the text's own form, e.g. "M3.5.0/02:00:00" or "J60/-1:00:00".
std::string rule_text(const PosixRule &rule);

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t year, int month, int day);

// The local date and time of a rule in a year, as seconds from 1970-01-01
// 00:00 of the same local clock (rule times past 24 hours or below 0 move
// into the next or previous days).
int64_t rule_local_seconds(const PosixRule &rule, int year);

}  // namespace qeltz
