// SPDX-License-Identifier: MIT
// POSIX TZ string from a timezone settings record.
//
//   daylight saving off:  CET-01:00
//   daylight saving on:   CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00
//
// Offsets carry the POSIX sign: "+" west of UTC, "-" east of it and for UTC.
#include "catalogue.hpp"
#include "qel_time.h"
#include "text_builder.hpp"

namespace {

using qel::tz::put;
using qel::tz::put_int;
using qel::tz::Zone;

// Zone text (at most 28 characters) + two rule dates (8 each) + two rule
// times (9 each, after the cut): the header's size less the NUL.
constexpr size_t kLongestText = QEL_TZSTR_SIZE - 1;
// A rule's time text is cut after this many characters, so that fields out
// of range cannot push the text past its bound.
constexpr size_t kRuleTimeLimit = 9;

// The amounts the TZ string knows; everything else is written as 30.
int32_t daylight_amount(int32_t dst_minutes) {
    return dst_minutes == 60 || dst_minutes == 90 || dst_minutes == 120 ? dst_minutes : 30;
}

// Name, sign, hours and minutes of an offset east of UTC, and ":00" seconds
// when asked for.
char *put_zone(char *p, const char *name, int32_t minutes_east, bool with_seconds) {
    p = put(p, name);
    p = put(p, minutes_east >= 0 ? '-' : '+');
    const int32_t magnitude = minutes_east < 0 ? -minutes_east : minutes_east;  // at most 16 hours
    p = qel::tz::put_2digits(p, magnitude / 60);
    p = put(p, ':');
    p = qel::tz::put_2digits(p, magnitude % 60);
    return with_seconds ? put(p, ":00", 3) : p;
}

// ",M<month>.<week>.<wday>/<hh>:<mm>:<ss>", the time part cut to 9 characters.
// The day fields have been checked: month 1..12, week 1..5, weekday 0..6.
char *put_rule(char *p, const qel_tzrule &rule) {
    p = put(p, ",M", 2);
    p = put_int(p, rule.month);
    p = put(p, '.');
    p = put(p, static_cast<char>('0' + rule.week));
    p = put(p, '.');
    p = put(p, static_cast<char>('0' + rule.wday));

    const auto two_digits = [](int32_t v) { return v >= 0 && v < 100; };
    if (two_digits(rule.hour) && two_digits(rule.minute) && two_digits(rule.second)) {
        p = put(p, '/');  // the usual case: exactly nine characters, nothing to cut
        p = qel::tz::put_2digits(p, rule.hour);
        p = put(p, ':');
        p = qel::tz::put_2digits(p, rule.minute);
        p = put(p, ':');
        return qel::tz::put_2digits(p, rule.second);
    }
    char time[1 + 3 * (qel::tz::kIntChars + 1)];
    char *t = put(time, '/');
    t = put_int(t, rule.hour, 2);
    t = put(t, ':');
    t = put_int(t, rule.minute, 2);
    t = put(t, ':');
    t = put_int(t, rule.second, 2);
    const auto len = static_cast<size_t>(t - time);
    return put(p, time, len < kRuleTimeLimit ? len : kRuleTimeLimit);
}

}  // namespace

extern "C" int32_t qel_tzset_to_tzstr(const qel_tzset *settings, char *out, int32_t size) {
    if (settings == nullptr || out == nullptr || size <= 0) return QEL_EINVAL;

    const Zone *zone = qel::tz::find_zone(settings->zone);
    if (settings->dst_on != 0 &&
        (zone == nullptr || !qel::tz::rule_day_valid(settings->start) || !qel::tz::rule_day_valid(settings->end))) {
        return QEL_EINVAL;
    }
    qel::tz::CutOutput<kLongestText> output(out, size);
    char *p = output.begin();

    if (settings->dst_on == 0) {
        if (zone == nullptr) zone = &qel::tz::utc_zone();
        p = put_zone(p, zone->std, zone->minutes(), false);
    } else {
        p = put_zone(p, zone->std, zone->minutes(), true);
        p = put_zone(p, zone->dst, zone->minutes() + daylight_amount(settings->dst_minutes), true);
        p = put_rule(p, settings->start);
        p = put_rule(p, settings->end);
    }
    output.finish(p);
    return QEL_OK;
}
