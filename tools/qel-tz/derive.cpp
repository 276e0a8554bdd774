#include "derive.hpp"

#include <cstdlib>

#include "catalogue_view.hpp"
#include "verdict.hpp"

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

// A rule the record can hold that falls on the same local date and time as
// `rule` in every year first..last: the time brought into 0..24 hours, every
// month, week and weekday tried. False if there is none.
bool equivalent_rule(const PosixRule &rule, Years years, PosixRule &out) {
    const int32_t time = ((rule.time % 86400) + 86400) % 86400;
    for (int month = 1; month <= 12; ++month) {
        for (int week = 1; week <= 5; ++week) {
            for (int wday = 0; wday <= 6; ++wday) {
                PosixRule c;
                c.month = month;
                c.week = week;
                c.wday = wday;
                c.time = time;
                c.time_given = true;
                bool same = true;
                for (int y = years.first; y <= years.last && same; ++y)
                    same = rule_local_seconds(c, y) == rule_local_seconds(rule, y);
                if (same) {
                    out = c;
                    return true;
                }
            }
        }
    }
    return false;
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

Derivation derive_record(const PosixTz &given, Years years) {
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
        d.rewrites.push_back("negative daylight saving: " + given.std_name + " " + utc_offset_text(given.std_offset) +
                             " with " + given.dst_name + " " + utc_offset_text(given.dst_offset) +
                             " written as standard time " + utc_offset_text(rule.std_offset) + " with daylight time " +
                             utc_offset_text(rule.dst_offset) + " from " + rule_text(rule.start) + " to " +
                             rule_text(rule.end) + " (the same offsets)");
    }
    const CatalogueZone *zone = nullptr;
    if (rule.std_offset % 60 != 0 || (zone = zone_by_minutes(rule.std_offset / 60)) == nullptr) {
        d.reasons.push_back("the standard offset " + utc_offset_text(rule.std_offset) +
                            " is not one of the catalogue's 35 zones (qel-tz zones lists them)");
    }
    d.record.zone = zone != nullptr ? zone->code : 0;
    if (rule.has_dst) {
        if (!given.dst_offset_given) d.rewrites.push_back("daylight offset not given: one hour ahead");
        if (!rule.has_rules) {
            d.reasons.push_back("daylight saving without rules: the C library chooses the days itself");
        }
        const int32_t amount = rule.dst_offset - rule.std_offset;
        if (amount % 60 != 0 || !tz_string_carries(amount / 60)) {
            d.reasons.push_back("daylight saving of " + std::to_string(amount / 60) +
                                " minutes: a TZ string of the record carries only 30, 60, 90 or 120");
        }
        d.record.dst_on = 1;
        d.record.dst_minutes = amount / 60;
        PosixRule *rules[] = {&rule.start, &rule.end};
        for (PosixRule *r : rules) {
            const char *which = r == &rule.start ? "start" : "end";
            if (!r->time_given) d.rewrites.push_back(std::string(which) + " rule time not given: 02:00:00");
            if (record_can_hold(*r)) continue;
            PosixRule same;
            if (equivalent_rule(*r, years, same)) {
                d.rewrites.push_back(std::string(which) + " rule " + rule_text(*r) + " written as " + rule_text(same) +
                                     " (the same instants in " + years.text() + ")");
                const int through = holds_through(*r, same, years.last);
                if (through != 0 && (d.valid_through == 0 || through < d.valid_through)) d.valid_through = through;
                *r = same;
            } else {
                d.reasons.push_back(std::string("the ") + which + " rule " + rule_text(*r) +
                                    " has no equivalent the record can hold in " + years.text() +
                                    " (a month-week-day rule at 00:00 to 24:00)");
            }
        }
        d.record.start = record_rule(rule.start);
        d.record.end = record_rule(rule.end);
    }
    d.representable = d.reasons.empty();
    return d;
}

}  // namespace qeltz
