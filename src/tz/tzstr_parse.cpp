// Timezone settings record from a POSIX TZ string of the form
//
//   STD(+|-)hh:mm[:ss][DST(+|-)hh:mm[:ss]][,Mm.w.d[/h:m:s][,Mm.w.d[/h:m:s]]]
//
// Zone codes are computed from the offsets, always in long form; the names are
// skipped without being read. Fields are split the way strtok splits (runs of
// separators give no empty fields) and numbers read the way atoi reads them,
// but without either: the parser works on (pointer, length) views of the
// caller's text, never writes to it and keeps no state between calls.
#include <cstddef>
#include <cstring>

#include "catalogue.hpp"
#include "qel_time.h"
#include "tzstr_read.hpp"

namespace {

using qel::tz::kLongFirst;
using qel::tz::kLongLast;
using qel::tz::kLongUtc;

// Only the first 127 characters of a TZ string are read.
constexpr size_t kMaxRead = 127;

struct Span {
    const char *p;
    size_t n;
};

// Whether c is one of the separators Seps.
template <char... Seps>
constexpr bool is_sep(char c) {
    return ((c == Seps) || ...);
}

// Splits `text` at any of the separators Seps into at most `max` fields,
// skipping empty ones; returns how many were found.
template <char... Seps>
size_t split(Span text, Span *fields, size_t max) {
    size_t count = 0;
    const char *p = text.p;
    const char *const end = text.p + text.n;
    while (count < max) {
        while (p != end && is_sep<Seps...>(*p)) ++p;
        if (p == end) break;
        const char *const begin = p;
        while (p != end && !is_sep<Seps...>(*p)) ++p;
        fields[count++] = Span{begin, static_cast<size_t>(p - begin)};
    }
    return count;
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads a number as atoi does (blanks, a sign, digits up to the first other
// character; no digits reads as 0), but refuses one that does not fit in 32
// bits instead of wrapping.
bool read_int(Span field, int32_t &value) {
    size_t i = 0;
    while (i < field.n && is_space(field.p[i])) ++i;
    bool negative = false;
    if (i < field.n && (field.p[i] == '+' || field.p[i] == '-')) negative = field.p[i++] == '-';
    int64_t magnitude = 0;
    for (; i < field.n && field.p[i] >= '0' && field.p[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (field.p[i] - '0');
        if (magnitude > int64_t{INT32_MAX} + (negative ? 1 : 0)) return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// Reads the first `count` fields of `text` split at Sep as numbers; every
// one of them must be present.
template <char Sep>
bool read_ints(Span text, int32_t *values, size_t count) {
    Span fields[3];
    if (split<Sep>(text, fields, count) != count) return false;
    for (size_t i = 0; i < count; ++i) {
        if (!read_int(fields[i], values[i])) return false;
    }
    return true;
}

// Code of an offset text "hh:mm[...]": 10000 plus 100 * hh + mm under a "-"
// sign, minus it otherwise. Wide arithmetic, so that huge hours fall out of
// the code range instead of wrapping.
bool read_offset_code(Span text, char sign, int64_t &code) {
    int32_t hm[2];
    if (!read_ints<':'>(text, hm, 2)) return false;
    const int64_t hhmm = 100 * int64_t{hm[0]} + hm[1];
    code = sign == '-' ? kLongUtc + hhmm : kLongUtc - hhmm;
    return true;
}

// A rule "M<month>.<week>.<wday>[/<hour>:<minute>:<second>]". Without a time
// the rule keeps 00:00:00.
bool read_rule(Span text, qel_tzrule &rule) {
    Span parts[2];
    const size_t n = split<'/'>(text, parts, 2);
    if (n == 0) return false;
    const Span date = parts[0];
    if (date.n < 2 || date.p[0] != 'M') return false;

    int32_t day[3];
    if (!read_ints<'.'>(Span{date.p + 1, date.n - 1}, day, 3)) return false;
    int32_t time[3] = {0, 0, 0};
    if (n == 2 && !read_ints<':'>(parts[1], time, 3)) return false;
    rule = qel_tzrule{day[0], day[1], day[2], time[0], time[1], time[2], 0};
    return true;
}

// Only upper bounds apply: zero and negative values pass, and so does a rule
// the text does not have.
bool rule_in_range(const qel_tzrule &r) {
    return r.month <= 12 && r.week <= 5 && r.wday <= 6 && r.hour <= 24 && r.minute <= 59 && r.second <= 59;
}

bool code_in_range(int64_t code) { return code >= kLongFirst && code <= kLongLast; }

// The range checks on the pieces, and the record they make.
bool make_record(const qel::tz::TzPieces &pieces, qel_tzset &result) {
    if (!rule_in_range(pieces.start) || !rule_in_range(pieces.end) || !code_in_range(pieces.std_code)) {
        return false;
    }
    result.zone = static_cast<int32_t>(pieces.std_code);
    result.start = pieces.start;
    result.end = pieces.end;
    // A daylight offset that works out to code 0 counts as none at all.
    if (pieces.dst_code != 0) {
        if (!code_in_range(pieces.dst_code)) return false;
        const int32_t amount =
            qel::tz::code_minutes(static_cast<int32_t>(pieces.dst_code)) - qel::tz::code_minutes(result.zone);
        if (amount < 0) return false;
        result.dst_on = 1;
        result.dst_minutes = amount;
    }
    return true;
}

}  // namespace

namespace qel::tz {

bool read_tz_general(const char *text, size_t n, TzPieces &pieces) {
    Span parts[3];
    const size_t n_parts = split<','>(Span{text, n}, parts, 3);
    if (n_parts == 0) return false;
    const Span zone_part = parts[0];

    // The first sign stands before the standard offset, the next one (if
    // any) before the daylight offset.
    char std_sign = '\0';
    char dst_sign = '\0';
    for (size_t i = 0; i < zone_part.n && dst_sign == '\0'; ++i) {
        const char c = zone_part.p[i];
        if (c != '+' && c != '-') continue;
        (std_sign == '\0' ? std_sign : dst_sign) = c;
    }
    if (std_sign == '\0') return false;

    // Name, standard offset, daylight offset. The daylight name trails the
    // standard offset ("08:00:00PDT") and is never read.
    Span zone_fields[3];
    const size_t n_zone = split<'+', '-'>(zone_part, zone_fields, 3);
    if (n_zone < 2) return false;

    if (!read_offset_code(zone_fields[1], std_sign, pieces.std_code)) return false;
    if (n_zone == 3 && !read_offset_code(zone_fields[2], dst_sign, pieces.dst_code)) return false;
    if (n_parts >= 2 && !read_rule(parts[1], pieces.start)) return false;
    if (n_parts >= 3 && !read_rule(parts[2], pieces.end)) return false;
    return true;
}

}  // namespace qel::tz

extern "C" int32_t qel_tzstr_to_tzset(const char *tz, qel_tzset *out) {
    if (tz == nullptr || out == nullptr || tz[0] == '\0') return QEL_EINVAL;
    const size_t n = strnlen(tz, kMaxRead);
    qel::tz::TzPieces pieces;
    if (!qel::tz::read_tz_direct(tz, n, pieces)) {
        pieces = qel::tz::TzPieces{};
        if (!qel::tz::read_tz_general(tz, n, pieces)) return QEL_EINVAL;
    }
    qel_tzset result{};
    if (!make_record(pieces, result)) return QEL_EINVAL;
    *out = result;
    return QEL_OK;
}
