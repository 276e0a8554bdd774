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
#include "text.hpp"

namespace {

using qel::tz::Text;
using qel::tz::Zone;

// Two Rule lines and a Zone line; even with every number at its widest
// (11 characters) the text stays well below this.
constexpr size_t kTextLimit = 256;

constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr char kWeekdays[] = "SunMonTueWedThuFriSat";

// The zic letters of daylight time for a zone whose daylight name does not
// fit its FORMAT: UTC, whose TZ daylight name is "BST" but whose FORMAT is
// "G%sT". "D" gives "GDT", Greenwich Daylight Time, the same letter that the
// zones without letters of their own use for daylight time.
constexpr char kDefaultDaylightLetters[] = "D";

// "<hours>:<mm>", hours without a leading zero, as zic reads AT and SAVE.
void put_hours_minutes(Text &text, int32_t hours, int32_t minutes) {
    text.put_int(hours);
    text.put(':');
    text.put_int(minutes, 2);
}

// The zone's offset as the Zone line writes it: "-9:00", "0:00", "5:45".
void put_zone_offset(Text &text, const Zone &zone) {
    if (zone.minutes < 0) text.put('-');
    const int32_t magnitude = zone.minutes < 0 ? -zone.minutes : zone.minutes;
    put_hours_minutes(text, magnitude / 60, magnitude % 60);
}

size_t name_length(const char *name, size_t capacity) {
    size_t n = 0;
    while (n < capacity && name[n] != '\0') ++n;
    return n;
}

// The zone's FORMAT: its standard name with the letters replaced by %s.
void put_format(Text &text, const Zone &zone) {
    const size_t len = name_length(zone.std_name, sizeof zone.std_name);
    text.put(zone.std_name, zone.zic_prefix);
    text.put("%s", 2);
    text.put(zone.std_name + len - zone.zic_suffix, zone.zic_suffix);
}

// The letters that turn the FORMAT into `name`, where the name fits it.
bool put_letters(Text &text, const Zone &zone, const char *name, size_t capacity) {
    const size_t len = name_length(name, capacity);
    const size_t frame = size_t{zone.zic_prefix} + zone.zic_suffix;
    const size_t std_len = name_length(zone.std_name, sizeof zone.std_name);
    const char *suffix = zone.std_name + std_len - zone.zic_suffix;
    if (len <= frame || std::memcmp(name, zone.std_name, zone.zic_prefix) != 0 ||
        std::memcmp(name + len - zone.zic_suffix, suffix, zone.zic_suffix) != 0) {
        return false;
    }
    text.put(name + zone.zic_prefix, len - frame);
    return true;
}

// "Rule qlrule min max - <Mon> <Day>>=<n> <h>:<mm> "
void put_rule_head(Text &text, const qel_tzrule &rule) {
    text.put("Rule qlrule min max - ");
    text.put(&kMonths[3 * static_cast<size_t>(rule.month - 1)], 3);
    text.put(' ');
    text.put(&kWeekdays[3 * static_cast<size_t>(rule.wday)], 3);
    text.put(">=", 2);
    text.put_int(7 * (rule.week - 1) + 1);
    text.put(' ');
    put_hours_minutes(text, rule.hour, rule.minute);
    text.put(' ');
}

}  // namespace

extern "C" int32_t qel_tzset_to_zicstr(const qel_tzset *tzset, char *out, int32_t size) {
    if (tzset == nullptr || out == nullptr || size <= 0) return QEL_EINVAL;
    const Zone *zone = qel::tz::find_zone(tzset->zone);
    if (zone == nullptr) return QEL_EINVAL;

    char buf[kTextLimit];
    Text text(buf, sizeof buf);

    if (tzset->dst_on == 0) {
        text.put("Zone local ");
        put_zone_offset(text, *zone);
        text.put(" - ");
        text.put(zone->std_name);
        text.put("\n\n", 2);
        text.copy_to(out, size);
        return QEL_OK;
    }

    if (!qel::tz::rule_day_valid(tzset->start) || !qel::tz::rule_day_valid(tzset->end)) {
        return QEL_EINVAL;
    }

    put_rule_head(text, tzset->start);
    put_hours_minutes(text, tzset->dst_minutes / 60, tzset->dst_minutes % 60);
    text.put(' ');
    if (!put_letters(text, *zone, zone->dst_name, sizeof zone->dst_name)) {
        text.put(kDefaultDaylightLetters);
    }
    text.put('\n');

    put_rule_head(text, tzset->end);
    text.put("0 ", 2);
    put_letters(text, *zone, zone->std_name, sizeof zone->std_name);
    text.put('\n');

    text.put("Zone local ");
    put_zone_offset(text, *zone);
    text.put(" qlrule ");
    put_format(text, *zone);
    text.put("\n\n", 2);

    text.copy_to(out, size);
    return QEL_OK;
}
