// SPDX-License-Identifier: MIT
// A second reading of TZ strings, kept beside the parser to compare it with:
// the steps written out one by one on the C library's own strtok_r and atoi,
// over a copy of the text cut at 127 characters. Clarity, not speed.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "qel_time.h"

namespace qeloracle {

// At most `most` fields of text split at any of seps, as strtok splits.
inline std::vector<char *> fields(char *text, const char *seps, size_t most) {
    std::vector<char *> out;
    char *save = nullptr;
    for (char *f = strtok_r(text, seps, &save); f != nullptr && out.size() < most; f = strtok_r(nullptr, seps, &save)) {
        out.push_back(f);
    }
    return out;
}

// atoi of a field; false where the number does not fit in 32 bits, which the
// parser refuses rather than wraps.
inline bool number(const char *field, int64_t &value) {
    errno = 0;
    const long wide = std::strtol(field, nullptr, 10);
    if (errno == ERANGE || wide < INT32_MIN || wide > INT32_MAX) return false;
    value = std::atoi(field);
    return true;
}

// hours ":" minutes [...] under a sign: the zone code.
inline bool offset(char *text, char sign, int64_t &code) {
    const std::vector<char *> hm = fields(text, ":", 2);
    int64_t h = 0, m = 0;
    if (hm.size() < 2 || !number(hm[0], h) || !number(hm[1], m)) return false;
    code = sign == '-' ? 10000 + 100 * h + m : 10000 - 100 * h - m;
    return true;
}

// "M" month "." week "." weekday ["/" hour ":" minute ":" second].
inline bool rule(char *text, qel_tzrule &out) {
    const std::vector<char *> parts = fields(text, "/", 2);
    if (parts.empty() || std::strlen(parts[0]) < 2 || parts[0][0] != 'M') return false;
    const std::vector<char *> day = fields(parts[0] + 1, ".", 3);
    std::vector<char *> time;
    if (parts.size() > 1) time = fields(parts[1], ":", 3);
    if (day.size() < 3 || (parts.size() > 1 && time.size() < 3)) return false;
    int64_t v[6] = {0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < 3; ++i) {
        if (!number(day[i], v[i]) || (!time.empty() && !number(time[i], v[3 + i]))) return false;
    }
    out = qel_tzrule{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3]), int32_t(v[4]), int32_t(v[5]), 0};
    return out.month <= 12 && out.week <= 5 && out.wday <= 6 && out.hour <= 24 && out.minute <= 59 && out.second <= 59;
}

inline int32_t minutes_of(int64_t code) {
    const int64_t d = code - 10000;
    return static_cast<int32_t>(60 * (d / 100) + d % 100);
}

inline bool in_range(int64_t code) { return code >= 8800 && code <= 11400; }

inline int32_t tzstr_to_tzset(const char *tz, qel_tzset *out) {
    if (tz == nullptr || out == nullptr || tz[0] == '\0') return QEL_EINVAL;
    char copy[128] = {};
    std::strncpy(copy, tz, 127);
    qel_tzset r{};
    r.zone = 10000;
    const std::vector<char *> comma = fields(copy, ",", 3);
    if (comma.empty()) return QEL_EINVAL;
    const char *first_sign = std::strpbrk(comma[0], "+-");
    if (first_sign == nullptr) return QEL_EINVAL;
    const char *second_sign = std::strpbrk(first_sign + 1, "+-");
    const char std_sign = *first_sign, dst_sign = second_sign != nullptr ? *second_sign : '\0';
    const std::vector<char *> zone = fields(comma[0], "+-", 3);
    int64_t std_code = 0, dst_code = 0;
    if (zone.size() < 2 || !offset(zone[1], std_sign, std_code)) return QEL_EINVAL;
    if (zone.size() > 2 && !offset(zone[2], dst_sign, dst_code)) return QEL_EINVAL;
    if (comma.size() > 1 && !rule(comma[1], r.start)) return QEL_EINVAL;
    if (comma.size() > 2 && !rule(comma[2], r.end)) return QEL_EINVAL;
    if (!in_range(std_code)) return QEL_EINVAL;
    r.zone = static_cast<int32_t>(std_code);
    if (dst_code != 0) {
        if (!in_range(dst_code) || minutes_of(dst_code) < minutes_of(std_code)) return QEL_EINVAL;
        r.dst_on = 1;
        r.dst_minutes = minutes_of(dst_code) - minutes_of(std_code);
    }
    *out = r;
    return QEL_OK;
}

}  // namespace qeloracle
