// SPDX-License-Identifier: MIT
// Why a check came out as it did, as data: each reason is a kind, one of a
// fixed set of words that scripts and the summary of `places` count by, and a
// text in words for people. docs/places.md has a row for each kind.
#pragma once

#include <cstdint>
#include <string>

namespace qeltz {

enum class ReasonKind : uint8_t {
    kWrongOffset,
    kAbbreviation,
    kDaylightFlag,
    kZicWrongOffset,
    kZicAbbreviation,
    kZicDaylightFlag,
    kZicWeek5,
    kZicRefuses,
    kZicNotChecked,
    kNoZicText,
    kDefaultTaken,
    kNegativeDaylight,
    kRuleRewritten,
    kOwnChanges,
    kRuleNotHeld,
    kOffsetOutsideCatalogue,
    kDaylightAmount,
    kDaylightWithoutRules,
    kLongName,
    kNotPosix,
    kNoYearlyRule,
    kNoRuleLine,
    kDeviceRefusesRecord,
    kDeviceRefusesString,
    kDeviceReadsOtherwise,
    kOmittedRuleTime,
    kNotRead,
    kLibrariesDisagree,
    kDropsToUtc,
    kQuotedNameMisread,
    kNegativeRuleTime,
    kDamagedZone,
    kUnreadableZone,
    kNotAZone,
    kUnknownPlace,
    kDanglingLink,
    kLinkOutside,
    kInvalidRow,
    kCount  // not a kind: the number of kinds
};

struct Reason {
    ReasonKind kind;
    std::string text;
};

// A kind that says a place could not be loaded at all (unknown, unreadable,
// no compiled zone, damaged, a link that dangles or leads out).
bool is_place_problem(ReasonKind kind);

// The kind's word, such as "zic-week-5".
const char *kind_word(ReasonKind kind);

// What the kind means, in a line, for the summary of `places`.
const char *kind_meaning(ReasonKind kind);

}  // namespace qeltz
