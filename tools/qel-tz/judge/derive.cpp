// SPDX-License-Identifier: MIT
#include "judge/derive.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "formats/time_text.hpp"
#include "judge/catalogue_view.hpp"
#include "judge/local_time.hpp"
#include "judge/verdict.hpp"

namespace qeltz {

bool tz_string_carries(int32_t dst_minutes) {
    return dst_minutes == 30 || dst_minutes == 60 || dst_minutes == 90 || dst_minutes == 120;
}

bool record_can_hold(const PosixRule &rule) {
    return rule.form == PosixRule::kMonthWeekDay && rule.time >= 0 && rule.time <= 24 * 3600;
}

qel_tzrule record_rule(const PosixRule &rule) {
    return {rule.month, rule.week, rule.wday, rule.time / 3600, rule.time / 60 % 60, rule.time % 60, 0};
}

PosixRule rule_of(const qel_tzrule &r) {
    PosixRule p;
    p.form = PosixRule::kMonthWeekDay;
    p.month = r.month;
    p.week = r.week;
    p.wday = r.wday;
    p.time = r.hour * 3600 + r.minute * 60 + r.second;
    p.time_given = true;
    return p;
}

namespace {

// The years of `years` in which `candidate` falls on the same local date and
// time as `rule`, as a mask from the first.
std::vector<bool> same_in(const PosixRule &candidate, const PosixRule &rule, Window window) {
    std::vector<bool> same;
    for (int y = window.first_year(), last = window.last_year(); y <= last; ++y)
        same.push_back(rule_local_seconds(candidate, y) == rule_local_seconds(rule, y));
    return same;
}

int days_in_month(int year, int month) {
    return static_cast<int>(days_from_civil(year + month / 12, month % 12 + 1, 1) - days_from_civil(year, month, 1));
}

// The month-week-day rules that put a change at this local date and time:
// the week of the month it falls in, and week 5 too where it is the last.
std::vector<PosixRule> rules_at(int64_t local) {
    const int64_t days = (local >= 0 ? local : local - 86399) / 86400;
    const int year = year_of(days * 86400);
    int month = 1;
    while (month < 12 && days_from_civil(year, month + 1, 1) <= days) ++month;
    const int day = static_cast<int>(days - days_from_civil(year, month, 1)) + 1;
    PosixRule r;
    r.month = month;
    r.wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    r.time = static_cast<int32_t>(local - days * 86400);
    r.time_given = true;
    std::vector<PosixRule> out;
    r.week = (day - 1) / 7 + 1;
    if (r.week < 5) out.push_back(r);
    if (day + 7 > days_in_month(year, month)) {
        r.week = 5;
        out.push_back(r);
    }
    return out;
}

// The years a mask holds, as "2026-2029, 2031".
std::string years_text(const std::vector<bool> &mask, int first) {
    std::string out;
    for (size_t i = 0; i < mask.size(); ++i) {
        if (!mask[i] || (i > 0 && mask[i - 1])) continue;
        size_t j = i;
        while (j + 1 < mask.size() && mask[j + 1]) ++j;
        out += (out.empty() ? "" : ", ") + std::to_string(first + static_cast<int>(i)) +
               (j > i ? "-" + std::to_string(first + static_cast<int>(j)) : "");
    }
    return out;
}

// Among the rules the record can hold (the time brought into 0..24 hours,
// every month, week and weekday), the one that falls on the same local date
// and time as `rule` in the most years from the first on, then in the most
// years, the first such in the order month, week, weekday; its mask. All
// true: it stands for `rule` in every year. Each year, those that fall where
// `rule` does are the one or two that rules_at gives for its instant, where
// that is in the same year: each candidate is scored from them.
std::vector<bool> closest_rule(const PosixRule &rule, Window window, PosixRule &out) {
    constexpr size_t kWeeks = 5, kWdays = 7;
    const auto index = [](const PosixRule &r) {
        return (static_cast<size_t>(r.month - 1) * kWeeks + static_cast<size_t>(r.week - 1)) * kWdays +
               static_cast<size_t>(r.wday);
    };
    std::vector<std::pair<size_t, size_t>> scores(12 * kWeeks * kWdays);  // years held from the first on, years held
    const int first = window.first_year(), last = window.last_year();
    for (int y = first; y <= last; ++y) {
        const int64_t local = rule_local_seconds(rule, y);
        const int64_t day = (local >= 0 ? local : local - 86399) / 86400;
        if (year_of(day * 86400) != y) continue;  // moved into another year by its time: no rule of this one
        for (const PosixRule &c : rules_at(local)) {
            std::pair<size_t, size_t> &score = scores[index(c)];
            if (score.first == static_cast<size_t>(y - first)) ++score.first;
            ++score.second;
        }
    }
    size_t best = scores.size();
    std::pair<size_t, size_t> best_score{0, 0};
    for (size_t i = 0; i < scores.size(); ++i) {
        if (scores[i] > best_score) {
            best_score = scores[i];
            best = i;
        }
    }
    if (best == scores.size()) return {};
    out = PosixRule();
    out.month = static_cast<int>(best / (kWeeks * kWdays)) + 1;
    out.week = static_cast<int>(best / kWdays % kWeeks) + 1;
    out.wday = static_cast<int>(best % kWdays);
    out.time = ((rule.time % 86400) + 86400) % 86400;
    out.time_given = true;
    return same_in(out, rule, window);
}

// The last year from `last` on in which `same` still falls where `rule`
// does, or 0 for every year: weekdays repeat every 400 years.
int holds_through(const PosixRule &rule, const PosixRule &same, int last) {
    for (int y = last + 1; y <= last + 400; ++y) {
        if (rule_local_seconds(same, y) != rule_local_seconds(rule, y)) return y - 1;
    }
    return 0;
}

}  // namespace

Derivation derive_record(const PosixTz &given, Window window) {
    Derivation d;
    PosixTz rule = given;
    if (rule.has_dst && rule.dst_offset < rule.std_offset) {
        // Negative daylight saving (the tz database's Dublin): the same
        // offsets as standard time at the lower offset with daylight time at
        // the higher one, the rules swapped. The time of each change is in the
        // local time before it, which the swap keeps.
        std::swap(rule.std_name, rule.dst_name);
        std::swap(rule.std_offset, rule.dst_offset);
        std::swap(rule.start, rule.end);
        d.rewrites.push_back({ReasonKind::kNegativeDaylight,
                              "negative daylight saving: " + given.std_name + " " + utc_offset_text(given.std_offset) +
                                  " with " + given.dst_name + " " + utc_offset_text(given.dst_offset) +
                                  " written as standard time " + utc_offset_text(rule.std_offset) +
                                  " with daylight time " + utc_offset_text(rule.dst_offset) + " from " +
                                  rule_text(rule.start) + " to " + rule_text(rule.end) + " (the same offsets)"});
    }
    const CatalogueZone *zone = nullptr;
    if (rule.std_offset % 60 != 0 || (zone = zone_by_minutes(rule.std_offset / 60)) == nullptr) {
        d.reasons.push_back({ReasonKind::kOffsetOutsideCatalogue,
                             "the standard offset " + utc_offset_text(rule.std_offset) +
                                 " is not one of the catalogue's 35 zones (qel-tz zones lists them)"});
    }
    d.record.zone = zone != nullptr ? zone->code : 0;
    if (rule.has_dst) {
        if (!given.dst_offset_given) {
            d.rewrites.push_back({ReasonKind::kDefaultTaken, "daylight offset not given: one hour ahead"});
        }
        // Named as the rule line has them, before any swap above.
        for (const PosixRule *r : {&given.start, &given.end}) {
            if (r->time_given || !given.has_rules) continue;
            const std::string day = rule_text(*r);
            d.rewrites.push_back(
                {ReasonKind::kDefaultTaken, std::string("the rule line's ") + (r == &given.start ? "start" : "end") +
                                                " rule " + day.substr(0, day.find('/')) + " gives no time: 02:00:00"});
        }
        if (!rule.has_rules) {
            d.reasons.push_back({ReasonKind::kDaylightWithoutRules,
                                 "daylight saving without rules: each C library chooses the days itself"});
        }
        const int32_t amount = rule.dst_offset - rule.std_offset;
        if (amount % 60 != 0 || !tz_string_carries(amount / 60)) {
            d.reasons.push_back({ReasonKind::kDaylightAmount,
                                 "daylight saving of " + std::to_string(amount / 60) +
                                     " minutes: a TZ string of the record carries only 30, 60, 90 or 120"});
        }
        d.record.dst_on = 1;
        d.record.dst_minutes = amount / 60;
        PosixRule *rules[] = {&rule.start, &rule.end};
        for (PosixRule *r : rules) {
            const char *which = r == &rule.start ? "start" : "end";
            if (record_can_hold(*r)) continue;
            PosixRule closest;
            const std::vector<bool> held = closest_rule(*r, window, closest);
            if (!held.empty() && std::find(held.begin(), held.end(), false) == held.end()) {
                d.rewrites.push_back({ReasonKind::kRuleRewritten,
                                      std::string(which) + " rule " + rule_text(*r) + " written as " +
                                          rule_text(closest) + " (the same instants in " + window.years_text() + ")"});
                const int through = holds_through(*r, closest, window.last_year());
                if (through != 0 && (d.valid_through == 0 || through < d.valid_through)) d.valid_through = through;
                *r = closest;
            } else {
                d.reasons.push_back(
                    {ReasonKind::kRuleNotHeld, std::string("the ") + which + " rule " + rule_text(*r) +
                                                   " has no equivalent the record can hold in " + window.years_text() +
                                                   " (a month-week-day rule at 00:00 to 24:00)" +
                                                   (held.empty() ? ""
                                                                 : ": " + rule_text(closest) + " holds for " +
                                                                       years_text(held, window.first_year()))});
            }
        }
        d.record.start = record_rule(rule.start);
        d.record.end = record_rule(rule.end);
    }
    d.rule = rule;
    d.representable = d.reasons.empty();
    return d;
}

namespace {

// Whether two local times give the same UTC offsets throughout the window.
bool same_offsets(const std::vector<Span> &a, const std::vector<Span> &b, Window window) {
    return compare_timelines(a, b, window.to).differences.empty();
}

// A yearly rule for the place's local time within the window: one UTC
// offset throughout, or two, with daylight time (the higher) starting and
// ending each year on month-week-day rules. The rules are taken from the
// place's changes in the window or, where it holds only one of them (a
// place that keeps summer time from a date on), from the year before it
// (`context` begins a year before the window). False, with why, where none
// fits.
bool rule_of_changes(const std::vector<Span> &context, const std::vector<Span> &place, Window window, PosixTz &out,
                     std::string &why) {
    std::vector<int32_t> offsets;
    for (const Span &s : place) {
        if (std::find(offsets.begin(), offsets.end(), s.offset) == offsets.end()) offsets.push_back(s.offset);
    }
    std::sort(offsets.begin(), offsets.end());
    if (offsets.size() == 1) {
        out = PosixTz{};
        out.std_name = place.front().abbr;
        out.std_offset = offsets.front();
        return true;
    }
    if (offsets.size() > 2) {
        why = "the place takes " + std::to_string(offsets.size()) + " UTC offsets in the window";
        return false;
    }
    const int32_t low = offsets[0], high = offsets[1];
    std::string low_name, high_name;
    for (const Span &s : place) (s.offset == high ? high_name : low_name) = s.abbr;
    // Each change into either offset: the first in the window, else the last before it.
    const Span *start = nullptr, *end = nullptr;
    for (size_t i = 1; i < context.size(); ++i) {
        const Span &s = context[i];
        if (context[i - 1].offset == s.offset || (s.offset != high && s.offset != low)) continue;
        const Span *&first = s.offset == high ? start : end;
        if (first == nullptr || first->from < window.from) first = &s;
    }
    if (start == nullptr || end == nullptr) {
        const Span &change = *(start != nullptr ? start : end);
        why = "the UTC offset changes once, to " + utc_offset_text(change.offset) + " at " +
              date_time_text(change.from) + " UTC";
        return false;
    }
    for (const PosixRule &s : rules_at(start->from + low)) {
        for (const PosixRule &e : rules_at(end->from + high)) {
            PosixTz c;
            c.std_name = low_name;
            c.dst_name = high_name;
            c.std_offset = low;
            c.dst_offset = high;
            c.has_dst = c.dst_offset_given = c.has_rules = true;
            c.start = s;
            c.end = e;
            if (same_offsets(place, rule_local_time(c, window), window)) {
                out = c;
                return true;
            }
        }
    }
    why = "no yearly rule puts the changes of " + date_time_text(start->from) + " and " + date_time_text(end->from) +
          " UTC in every year of the window";
    return false;
}

}  // namespace

Derivation derive_place(const TzifZone &zone, Window window) {
    const std::vector<Span> place = zone_local_time(zone, window);
    PosixTz rule;
    std::string why;
    const bool has_rule = !zone.rule_line.empty() && parse_posix_tz(zone.rule_line, rule, why);
    Derivation d;
    if (!zone.rule_line.empty() && !has_rule) {
        d.reasons.push_back({ReasonKind::kNotPosix, "the zone's rule " + zone.rule_line + " cannot be read: " + why});
        return d;
    }
    // One UTC offset throughout the window: no daylight saving to express,
    // whatever rules the place keeps outside it.
    const bool one_offset = !place.empty() && std::all_of(place.begin(), place.end(), [&](const Span &s) {
        return s.offset == place.front().offset;
    });
    std::string no_rule_line;  // how the rule line fails the window, or "" where it holds
    if (one_offset && has_rule && rule.has_dst) {
        no_rule_line = "the place keeps " + utc_offset_text(place.front().offset) + " throughout the window";
    } else if (has_rule) {
        const std::vector<Span> by_rule = rule_local_time(rule, window);
        // A rule line without the rules for its daylight time is kept: its
        // derivation says why no record expresses it.
        if (by_rule.empty()) return derive_record(rule, window);
        const Comparison cmp = compare_timelines(place, by_rule, window.to);
        if (cmp.differences.empty()) return derive_record(rule, window);
        no_rule_line = "the place's own rule " + zone.rule_line + " gives other offsets " +
                       (cmp.differences.size() == 1 ? std::string("once")
                                                    : "at " + std::to_string(cmp.differences.size()) + " times") +
                       ", the first from " + date_time_text(cmp.differences.front().utc) + " UTC";
    } else {
        no_rule_line = "the compiled zone has no rule line";
    }
    PosixTz observed;
    const std::vector<Span> context = zone_local_time(zone, {window.from - 366 * 86400, window.to});
    if (place.empty() || !rule_of_changes(context, place, window, observed, why)) {
        d.reasons.push_back({ReasonKind::kNoYearlyRule, "changes that follow no yearly rule in " + window.text() +
                                                            ": " + no_rule_line + "; " + why});
        return d;
    }
    d = derive_record(observed, window);
    d.rewrites.insert(
        d.rewrites.begin(),
        {ReasonKind::kOwnChanges, "the record follows the place's own changes in the window, since " + no_rule_line});
    return d;
}

}  // namespace qeltz
