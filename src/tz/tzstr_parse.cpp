// SPDX-License-Identifier: MIT
// Timezone settings record from a POSIX TZ string, in the form the TZ writer
// writes:
//
//   text   = zone ["," rule ["," rule]]               fields at ","
//   zone   = name sign offset [name sign offset]      fields at "+" and "-"
//   offset = hours ":" minutes [":" seconds]          fields at ":"
//   rule   = "M" month "." week "." weekday ["/" time]
//   time   = hour ":" minute ":" second               fields at ":"
//
// Every text is split into fields the way strtok splits (runs of separators
// give no empty fields) and every number is read the way atoi reads it from
// its field alone, but without either: one cursor walks the caller's text
// once per piece, never writes to it and keeps no state between calls. A
// field ends at its first separator, and so does every number read in it:
// white space and a sign never reach into the next field (" +08" is a field
// of white space followed by a separator, not the number +8). Zone codes are
// computed from the offsets, always in long form; names are never read.
//
// qel-tz has a second TZ reader (tools/qel-tz/posix_tz.hpp) on purpose: this
// one runs on the device and reads the writer's form with the field-splitting
// and number rules above, while the tool's reads the full POSIX grammar and
// says why a string is refused. Do not merge them.
#include <cstddef>
#include <cstring>

#include "catalogue.hpp"
#include "qel_time.h"

namespace {

// Only the first 127 characters of a TZ string are read.
constexpr size_t kMaxRead = 127;

bool is_digit(char c) { return static_cast<unsigned>(c - '0') < 10; }
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whether c ends the current field: one of Ends (the enclosing fields'
// separators, "," always among them).
template <char... Ends>
bool ends_field(char c) {
    return ((c == Ends) || ...);
}

// Moves p past a run of Sep.
template <char Sep>
void skip_run(const char *&p, const char *end) {
    while (p != end && *p == Sep) ++p;
}

// Moves p to the next Sep or the end of the field.
template <char Sep, char... Ends>
void skip_to(const char *&p, const char *end) {
    while (p != end && *p != Sep && !ends_field<Ends...>(*p)) ++p;
}

// number: as atoi reads it (blanks, a sign, digits up to the first other
// character; no digits read as 0), but one that does not fit in 32 bits is
// refused instead of wrapping. `end` is the end of the number's field.
bool read_number_in_full(const char *p, const char *end, int32_t &value) {
    while (p != end && is_space(*p)) ++p;
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;
    const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : INT32_MAX;
    int64_t magnitude = 0;
    for (; p != end && is_digit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// The number of the field at p, read from that field alone; p moves to the
// field's end. The writer's fields (one or two digits, then something else)
// are read at once; any other is first bounded by its end.
template <char Sep, char... Ends>
bool read_field_number(const char *&p, const char *end, int32_t &value) {
    const char *field = p;
    if (is_digit(p[0]) && (p + 1 == end || !is_digit(p[1]))) {
        value = p[0] - '0';
        ++p;
    } else if (is_digit(p[0]) && (p + 2 == end || !is_digit(p[2]))) {
        value = 10 * (p[0] - '0') + (p[1] - '0');
        p += 2;
    } else {
        skip_to<Sep, Ends...>(p, end);
        return read_number_in_full(field, p, value);
    }
    skip_to<Sep, Ends...>(p, end);
    return true;
}

// The first `count` fields at Sep of the field that p is in, each a number;
// all must be there. p ends at the field's end.
template <char Sep, char... Ends>
bool read_numbers(const char *&p, const char *end, int32_t *values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        skip_run<Sep>(p, end);
        if (p == end || ends_field<Ends...>(*p) || !read_field_number<Sep, Ends...>(p, end, values[i])) return false;
    }
    while (p != end && !ends_field<Ends...>(*p)) ++p;
    return true;
}

// offset = hours ":" minutes [":" seconds]: the zone code 10000 plus
// 100 * hours + minutes under a "-" sign, minus it under "+". Computed wide,
// so that huge hours fall out of the code range instead of wrapping.
bool read_offset(const char *&p, const char *end, char sign, int64_t &code) {
    int32_t hm[2];
    if (!read_numbers<':', '+', '-', ','>(p, end, hm, 2)) return false;
    const int64_t hhmm = 100 * int64_t{hm[0]} + hm[1];
    code = sign == '-' ? qel::tz::kLongUtc + hhmm : qel::tz::kLongUtc - hhmm;
    return true;
}

// zone = name sign offset [name sign offset], fields at "+" and "-". The
// first sign stands before the standard offset, the next one before the
// daylight offset; both are taken from the separators as the walk passes
// them, before the field each one stands for. The daylight name trails the
// standard offset ("08:00:00PDT") and is never read. A daylight code of 0
// means no daylight offset.
bool read_zone(const char *&p, const char *end, int64_t &std_code, int64_t &dst_code) {
    char signs[2] = {'\0', '\0'};
    int found = 0;
    const auto next_field = [&] {
        for (; p != end && (*p == '+' || *p == '-'); ++p) {
            if (found < 2) signs[found++] = *p;
        }
        return p != end && *p != ',';
    };
    if (!next_field()) return false;
    while (p != end && *p != '+' && *p != '-' && *p != ',') ++p;  // the name
    if (!next_field() || !read_offset(p, end, signs[0], std_code)) return false;
    if (next_field() && !read_offset(p, end, signs[1], dst_code)) return false;
    skip_to<','>(p, end);
    return true;
}

// rule = "M" month "." week "." weekday ["/" time], fields at "/"; without
// a time the rule keeps 00:00:00.
bool read_rule(const char *&p, const char *end, qel_tzrule &rule) {
    skip_run<'/'>(p, end);
    // The date: at least two characters, the first of them "M".
    if (p == end || *p != 'M' || p + 1 == end || ends_field<'/', ','>(p[1])) return false;
    ++p;
    int32_t day[3];
    if (!read_numbers<'.', '/', ','>(p, end, day, 3)) return false;
    int32_t hms[3] = {0, 0, 0};
    skip_run<'/'>(p, end);
    if (p != end && *p != ',' && !read_numbers<':', '/', ','>(p, end, hms, 3)) return false;
    skip_to<','>(p, end);
    rule = qel_tzrule{day[0], day[1], day[2], hms[0], hms[1], hms[2], 0};
    return true;
}

// Only upper bounds apply: zero and negative values pass, and so does a rule
// the text does not have.
bool rule_in_range(const qel_tzrule &r) {
    return r.month <= 12 && r.week <= 5 && r.wday <= 6 && r.hour <= 24 && r.minute <= 59 && r.second <= 59;
}

bool code_in_range(int64_t code) { return code >= qel::tz::kLongFirst && code <= qel::tz::kLongLast; }

// text = zone ["," rule ["," rule]], then the range checks. Each comma
// field starts after a run of commas; a text of commas only has no zone.
bool read_text(const char *p, const char *end, qel_tzset &record) {
    int64_t std_code = 0, dst_code = 0;
    const auto next_comma_field = [&] {
        while (p != end && *p == ',') ++p;
        return p != end;
    };
    if (!next_comma_field() || !read_zone(p, end, std_code, dst_code)) return false;
    if (next_comma_field() &&
        (!read_rule(p, end, record.start) || (next_comma_field() && !read_rule(p, end, record.end)))) {
        return false;
    }
    if (!rule_in_range(record.start) || !rule_in_range(record.end) || !code_in_range(std_code)) return false;
    record.zone = static_cast<int32_t>(std_code);
    if (dst_code == 0) return true;
    if (!code_in_range(dst_code)) return false;
    const int32_t amount = qel::tz::code_minutes(static_cast<int32_t>(dst_code)) - qel::tz::code_minutes(record.zone);
    if (amount < 0) return false;
    record.dst_on = 1;
    record.dst_minutes = amount;
    return true;
}

}  // namespace

extern "C" int32_t qel_tzstr_to_tzset(const char *tz, qel_tzset *out) {
    if (tz == nullptr || out == nullptr || tz[0] == '\0') return QEL_EINVAL;
    qel_tzset record{};
    if (!read_text(tz, tz + strnlen(tz, kMaxRead), record)) return QEL_EINVAL;
    *out = record;
    return QEL_OK;
}
