// SPDX-License-Identifier: MIT
// zic source text from a timezone settings record.
//
//   daylight saving off:  Zone local 1:00 - CET
//
//   daylight saving on:   Rule qlrule min max - Mar Sun>=29 2:00 1:00 ES
//                         Rule qlrule min max - Oct Sun>=29 3:00 0 E
//                         Zone local 1:00 qlrule C%sT
//
// Every line ends with a newline and the Zone line is followed by an empty
// one. Week w of a rule becomes "on or after day 7 * (w - 1) + 1".
#include "catalogue.hpp"
#include "qel_time.h"
#include "text_builder.hpp"

namespace {

using qel::tz::put;
using qel::tz::put_int;
using qel::tz::Zone;

// The longest text, every number at its widest: the start line at most 76
// characters (22 + month 3 + 1 + weekday 3 + 2 + day 2 + 1 + hour 11 + 1 +
// minute 11 + 1 + SAVE 9 + 1 + 3 + 1 + letters 3 + newline), the end line at
// most 62, the Zone line at most 32 (11 + offset 6 + 8 + FORMAT 5 + 2): the
// header's size less the NUL.
constexpr size_t kLongestText = QEL_ZICSTR_SIZE - 1;

constexpr char kRuleHead[] = "Rule qlrule min max - ";
constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr char kWeekdays[] = "SunMonTueWedThuFriSat";

// "<hours>:<mm>", hours without a leading zero, as zic reads AT and SAVE.
char *put_hours_minutes(char *p, int32_t hours, int32_t minutes) {
    p = put_int(p, hours);
    p = put(p, ':');
    return put_int(p, minutes, 2);
}

// The zone's offset as the Zone line writes it: "-9:00", "0:00", "5:45".
char *put_zone_offset(char *p, const Zone &zone) {
    const int32_t minutes = zone.minutes();
    if (minutes < 0) p = put(p, '-');
    const int32_t magnitude = minutes < 0 ? -minutes : minutes;
    return put_hours_minutes(p, magnitude / 60, magnitude % 60);
}

// "Rule qlrule min max - <Mon> <Day>>=<n> <h>:<mm> "
char *put_rule_head(char *p, const qel_tzrule &rule) {
    p = put(p, kRuleHead, sizeof kRuleHead - 1);
    p = put(p, &kMonths[3 * static_cast<size_t>(rule.month - 1)], 3);
    p = put(p, ' ');
    p = put(p, &kWeekdays[3 * static_cast<size_t>(rule.wday)], 3);
    p = put(p, ">=", 2);
    p = put_int(p, 7 * (rule.week - 1) + 1);
    p = put(p, ' ');
    p = put_hours_minutes(p, rule.hour, rule.minute);
    return put(p, ' ');
}

}  // namespace

extern "C" int32_t qel_tzset_to_zicstr(const qel_tzset *settings, char *out, int32_t size) {
    if (settings == nullptr || out == nullptr || size <= 0) return QEL_EINVAL;
    const Zone *zone = qel::tz::find_zone(settings->zone);
    if (zone == nullptr) return QEL_EINVAL;
    if (settings->dst_on != 0 &&
        (!qel::tz::rule_day_valid(settings->start) || !qel::tz::rule_day_valid(settings->end))) {
        return QEL_EINVAL;
    }
    qel::tz::CutOutput<kLongestText> output(out, size);
    char *p = output.begin();

    if (settings->dst_on == 0) {
        p = put(p, "Zone local ", 11);
        p = put_zone_offset(p, *zone);
        p = put(p, " - ", 3);
        p = put(p, zone->std);
        p = put(p, "\n\n", 2);
        output.finish(p);
        return QEL_OK;
    }

    p = put_rule_head(p, settings->start);
    p = put_hours_minutes(p, settings->dst_minutes / 60, settings->dst_minutes % 60);
    p = put(p, ' ');
    p = put(p, zone->dst_letters);
    p = put(p, '\n');

    p = put_rule_head(p, settings->end);
    p = put(p, "0 ", 2);
    p = put(p, zone->std_letters);
    p = put(p, '\n');

    p = put(p, "Zone local ", 11);
    p = put_zone_offset(p, *zone);
    p = put(p, " qlrule ", 8);
    p = put(p, zone->format);
    p = put(p, "\n\n", 2);

    output.finish(p);
    return QEL_OK;
}
