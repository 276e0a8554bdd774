// Helpers shared by the timezone tests: building records and calling the
// writers into std::string.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "qel_time.h"

namespace qeltest {

inline qel_tzrule rule(int32_t month, int32_t week, int32_t wday, int32_t hour = 0, int32_t minute = 0,
                       int32_t second = 0) {
    return qel_tzrule{month, week, wday, hour, minute, second, 0};
}

inline qel_tzset record(int32_t zone, int32_t dst_on = 0, int32_t dst_minutes = 0, qel_tzrule start = rule(3, 5, 0, 2),
                        qel_tzrule end = rule(10, 5, 0, 3)) {
    return qel_tzset{zone, dst_on, dst_minutes, start, end};
}

using Writer = int32_t (*)(const qel_tzset *, char *, int32_t);

// Writes into a 1024-byte buffer; the text, or "<rc>" on failure.
inline std::string write(Writer writer, const qel_tzset &r) {
    char buf[1024];
    const int32_t rc = writer(&r, buf, sizeof buf);
    return rc == QEL_OK ? std::string(buf) : "<" + std::to_string(rc) + ">";
}

inline std::string tzstr(const qel_tzset &r) { return write(qel_tzset_to_tzstr, r); }
inline std::string zicstr(const qel_tzset &r) { return write(qel_tzset_to_zicstr, r); }

inline bool same_record(const qel_tzset &a, const qel_tzset &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// At every size from 1 to past the whole text, the writer gives the first
// size - 1 characters and a NUL, and writes nothing beyond them.
inline void expect_cut_at_every_size(Writer writer, const qel_tzset &r) {
    const std::string full = write(writer, r);
    for (int32_t size = 1; size <= static_cast<int32_t>(full.size()) + 8; ++size) {
        char buf[256];
        std::memset(buf, '#', sizeof buf);
        ASSERT_EQ(writer(&r, buf, size), QEL_OK);
        const size_t kept = std::min<size_t>(full.size(), static_cast<size_t>(size) - 1);
        EXPECT_EQ(std::string(buf), full.substr(0, kept)) << size;
        for (size_t i = kept + 1; i < sizeof buf; ++i) ASSERT_EQ(buf[i], '#') << size;
    }
}

// Null pointers, sizes 0 and -1, and every refused record give -2 and leave
// every byte of the buffer as it was.
inline void expect_refusals_untouched(Writer writer, const qel_tzset &valid, std::initializer_list<qel_tzset> refused) {
    char buf[256];
    char before[256];
    std::memset(buf, 0x5a, sizeof buf);
    std::memcpy(before, buf, sizeof buf);
    EXPECT_EQ(writer(nullptr, buf, sizeof buf), QEL_EINVAL);
    EXPECT_EQ(writer(&valid, nullptr, sizeof buf), QEL_EINVAL);
    EXPECT_EQ(writer(&valid, buf, 0), QEL_EINVAL);
    EXPECT_EQ(writer(&valid, buf, -1), QEL_EINVAL);
    for (const auto &r : refused) EXPECT_EQ(writer(&r, buf, sizeof buf), QEL_EINVAL) << r.zone;
    EXPECT_EQ(std::memcmp(buf, before, sizeof buf), 0);
}

// The long codes of the 35 zones of the catalogue.
constexpr int32_t kLongCodes[] = {8800,  8900,  9000,  9100,  9200,  9300,  9400,  9500,  9570,  9600,  9670,  9700,
                                  9800,  9900,  10000, 10100, 10200, 10300, 10330, 10400, 10430, 10500, 10530, 10545,
                                  10600, 10630, 10700, 10800, 10900, 10930, 11000, 11100, 11200, 11300, 11400};

// All 62 codes the writers know: the 35 long codes and the 27 short ones.
inline std::vector<int32_t> catalogue_codes() {
    std::vector<int32_t> codes(std::begin(kLongCodes), std::end(kLongCodes));
    for (int32_t c = 88; c <= 114; ++c) codes.push_back(c);
    return codes;
}

// The long code of any catalogue code.
constexpr int32_t long_form(int32_t code) { return code < 1000 ? 10000 + (code - 100) * 100 : code; }

}  // namespace qeltest
