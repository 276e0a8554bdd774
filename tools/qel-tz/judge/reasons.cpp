// SPDX-License-Identifier: MIT
#include "judge/reasons.hpp"

namespace qeltz {

namespace {

struct KindRow {
    ReasonKind kind;
    const char *word, *meaning;
};

// clang-format off
constexpr KindRow kKinds[] = {
    {ReasonKind::kWrongOffset, "wrong-offset",
     "the TZ string gives another UTC offset than the place: how far ahead or behind, when, and for how many hours"},
    {ReasonKind::kAbbreviation, "abbreviation",
     "the TZ string names a local time otherwise than the place (the catalogue's abbreviation)"},
    {ReasonKind::kDaylightFlag, "daylight-flag",
     "the TZ string counts a local time as daylight time where the place counts it as standard time, or the "
     "other way round"},
    {ReasonKind::kZicWrongOffset, "zic-wrong-offset",
     "the zic text gives another UTC offset than the place: how far ahead or behind, when, and for how many hours"},
    {ReasonKind::kZicAbbreviation, "zic-abbreviation",
     "the zic text names a local time otherwise than the place"},
    {ReasonKind::kZicDaylightFlag, "zic-daylight-flag",
     "the zic text counts a local time as daylight time where the place counts it as standard time, or the "
     "other way round"},
    {ReasonKind::kZicWeek5, "zic-week-5",
     "the zic text's week 5 is \"on or after the 29th\", which zic reads as the first such weekday from the 29th"},
    {ReasonKind::kZicRefuses, "zic-refuses", "zic refuses the zic text"},
    {ReasonKind::kZicNotChecked, "zic-not-checked", "the zic text is not checked: zic or zdump is not installed"},
    {ReasonKind::kNoZicText, "no-zic-text", "the device library writes no zic text for the record"},
    {ReasonKind::kDefaultTaken, "default-taken",
     "the place's rule line leaves out a daylight offset or a rule's time, and the default is taken"},
    {ReasonKind::kNegativeDaylight, "negative-daylight",
     "negative daylight saving written as standard time with daylight time (the same offsets)"},
    {ReasonKind::kRuleRewritten, "rule-rewritten",
     "a rule the record cannot hold written as one it can, which changes at the same instants in the window's years"},
    {ReasonKind::kOwnChanges, "own-changes",
     "the place's rule line does not give its local time in the window; the record follows the place's own "
     "changes in it"},
    {ReasonKind::kRuleNotHeld, "rule-not-held",
     "a rule time or day no record holds in all the window's years (the years a rewrite holds for are named)"},
    {ReasonKind::kOffsetOutsideCatalogue, "offset-outside-catalogue",
     "a standard offset outside the catalogue's 35 zones"},
    {ReasonKind::kDaylightAmount, "daylight-amount",
     "a daylight amount a TZ string of the record cannot carry (only 30, 60, 90 or 120 minutes)"},
    {ReasonKind::kDaylightWithoutRules, "daylight-without-rules",
     "daylight time without the rules for when it starts and ends: each C library chooses its own"},
    {ReasonKind::kLongName, "long-name",
     "a name longer than six characters: musl keeps the first six, uClibc-ng reads the string as UTC"},
    {ReasonKind::kNotPosix, "not-posix", "a TZ string or rule line outside the POSIX grammar"},
    {ReasonKind::kNoYearlyRule, "no-yearly-rule", "the place changes by no yearly rule in the window"},
    {ReasonKind::kNoRuleLine, "no-rule-line",
     "the compiled zone has no rule line for the times after its last change"},
    {ReasonKind::kDeviceRefusesRecord, "device-refuses-record", "the device library refuses the record"},
    {ReasonKind::kDeviceRefusesString, "device-refuses-string",
     "the device library reads no record from this TZ string: it reads only its own form, each name with its offset "
     "as +hh:mm[:ss] or -hh:mm[:ss] and each rule as Mm.w.d/hh:mm:ss (MST+07:00, "
     "CET-01:00CEST-02:00,M3.5.0/02:00:00,M10.5.0/03:00:00); send the device the record or TZ string qel-tz place "
     "gives"},
    {ReasonKind::kDeviceReadsOtherwise, "device-reads-otherwise",
     "the device library reads the checked TZ string as another timezone than the C libraries do"},
    {ReasonKind::kOmittedRuleTime, "omitted-rule-time",
     "a rule of the TZ string without a time: the device library reads it as 00:00, POSIX and the C libraries as "
     "02:00"},
    {ReasonKind::kNotRead, "not-read",
     "a C library's reader was not handed the string (one that could name a file, or too long)"},
    {ReasonKind::kLibrariesDisagree, "libraries-disagree", "the C libraries' verdicts on the TZ string differ"},
    {ReasonKind::kDropsToUtc, "drops-to-utc",
     "uClibc-ng reads the whole string as UTC: a rule time outside 0-24 h, or a name not 3 to 6 characters long"},
    {ReasonKind::kQuotedNameMisread, "quoted-name-misread",
     "newlib misreads a quoted name such as <+05> and the offset after it"},
    {ReasonKind::kNegativeRuleTime, "negative-rule-time", "newlib misreads a rule time below 0"},
    {ReasonKind::kDamagedZone, "damaged-zone", "the place's compiled zone cannot be read"},
    {ReasonKind::kUnreadableZone, "unreadable-zone", "the place's file cannot be read (permission, or an I/O error)"},
    {ReasonKind::kNotAZone, "not-a-zone", "a file of the database that is neither a compiled zone nor one of its text files"},
    {ReasonKind::kUnknownPlace, "unknown-place", "no compiled zone of that name in the database"},
    {ReasonKind::kDanglingLink, "dangling-link", "a link of the database that leads to no file"},
    {ReasonKind::kLinkOutside, "link-outside", "a link of the database that leads out of its folder"},
    {ReasonKind::kInvalidRow, "invalid-row", "a row of the fleet file that cannot be read"},
};
// clang-format on

constexpr bool rows_in_order() {
    for (size_t i = 0; i < sizeof kKinds / sizeof kKinds[0]; ++i) {
        if (static_cast<size_t>(kKinds[i].kind) != i) return false;
    }
    return sizeof kKinds / sizeof kKinds[0] == static_cast<size_t>(ReasonKind::kCount);
}
static_assert(rows_in_order(), "a row for each kind, in the order of ReasonKind");

}  // namespace

bool is_place_problem(ReasonKind kind) {
    return kind == ReasonKind::kUnknownPlace || kind == ReasonKind::kUnreadableZone || kind == ReasonKind::kNotAZone ||
           kind == ReasonKind::kDamagedZone || kind == ReasonKind::kDanglingLink || kind == ReasonKind::kLinkOutside;
}

const char *kind_word(ReasonKind kind) { return kKinds[static_cast<size_t>(kind)].word; }

const char *kind_meaning(ReasonKind kind) { return kKinds[static_cast<size_t>(kind)].meaning; }

}  // namespace qeltz
