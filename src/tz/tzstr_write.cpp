// POSIX TZ string from a timezone settings record.
//
//   daylight saving off:  CET-01:00
//   daylight saving on:   CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00
//
// Offsets carry the POSIX sign: "+" west of UTC, "-" east of it and for UTC.
#include "catalogue.hpp"
#include "qel_time.h"
#include "text.hpp"

namespace {

using qel::tz::Text;
using qel::tz::Zone;

// Zone text (28) + two rule dates (8 each) + two rule times (9 each).
constexpr size_t kLongestText = 62;
// A rule's time text is cut after this many characters.
constexpr size_t kRuleTimeLimit = 9;

// The amounts the TZ string knows; everything else is written as 30.
int32_t daylight_amount(int32_t dst_minutes) {
    return dst_minutes == 60 || dst_minutes == 90 || dst_minutes == 120 ? dst_minutes : 30;
}

// Sign, hours and minutes of an offset east of UTC, and ":00" seconds when
// asked for.
void put_offset(Text &text, int32_t minutes_east, bool with_seconds) {
    text.put(minutes_east >= 0 ? '-' : '+');
    const int32_t magnitude = minutes_east < 0 ? -minutes_east : minutes_east;
    text.put_int(magnitude / 60, 2);
    text.put(':');
    text.put_int(magnitude % 60, 2);
    if (with_seconds) text.put(":00", 3);
}

// ",M<month>.<week>.<wday>/<hh>:<mm>:<ss>", the time part cut to 9 characters
// so that out-of-range fields cannot push the text past its bound.
void put_rule(Text &text, const qel_tzrule &rule) {
    text.put(",M", 2);
    text.put_int(rule.month);
    text.put('.');
    text.put_int(rule.week);
    text.put('.');
    text.put_int(rule.wday);

    char time_buf[kRuleTimeLimit];
    Text time(time_buf, sizeof time_buf);
    time.put('/');
    time.put_int(rule.hour, 2);
    time.put(':');
    time.put_int(rule.minute, 2);
    time.put(':');
    time.put_int(rule.second, 2);
    text.put(time.data(), time.size());
}

}  // namespace

extern "C" int32_t qel_tzset_to_tzstr(const qel_tzset *tzset, char *out, int32_t size) {
    if (tzset == nullptr || out == nullptr || size <= 0) return QEL_EINVAL;

    const Zone *zone = qel::tz::find_zone(tzset->zone);
    char buf[kLongestText];
    Text text(buf, sizeof buf);

    if (tzset->dst_on == 0) {
        if (zone == nullptr) zone = &qel::tz::utc_zone();
        text.put(zone->std_name);
        put_offset(text, zone->minutes, false);
    } else {
        if (zone == nullptr || !qel::tz::rule_day_valid(tzset->start) || !qel::tz::rule_day_valid(tzset->end)) {
            return QEL_EINVAL;
        }
        text.put(zone->std_name);
        put_offset(text, zone->minutes, true);
        text.put(zone->dst_name);
        put_offset(text, zone->minutes + daylight_amount(tzset->dst_minutes), true);
        put_rule(text, tzset->start);
        put_rule(text, tzset->end);
    }
    text.copy_to(out, size);
    return QEL_OK;
}
