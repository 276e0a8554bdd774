// SPDX-License-Identifier: MIT
// Both timezone writers, byte for byte: worked examples of every form and
// every entry of their tables, one table of refusals, and every cut of the
// longest texts. What each zone's texts mean is checked by their consumers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

#include "tz_test_support.hpp"

namespace {

using qeltest::record;
using qeltest::rule;
using qeltest::tzstr;
using qeltest::zicstr;

const std::string kRules = ",M3.5.0/02:00:00,M10.5.0/03:00:00";

TEST(TzWriters, TzStringExamples) {
    const std::string cet = "CET-01:00:00CEST-02:00:00";
    struct Row {
        qel_tzset r;
        std::string text;
    };
    const Row rows[] = {
        // Any nonzero switch is daylight saving on; with it off only the zone counts.
        {record(101, 2, 60), cet + kRules},
        {record(10100, -1, 60), cet + kRules},
        {record(10545, 0, 60, rule(-1, 99, 42, 1, 2, 3), rule(0, 0, 0)), "NPT-05:45"},
        {record(95), "EST+05:00"},
        // Unknown zones with daylight saving off are written as UTC.
        {record(10060), "GMT-00:00"},
        // Amounts other than 60, 90 and 120 are written as 30.
        {record(10100, 1, 0), "CET-01:00:00CEST-01:30:00" + kRules},
        {record(10100, 1, INT32_MIN), "CET-01:00:00CEST-01:30:00" + kRules},
        {record(88, 1, 90, rule(12, 5, 6, 23, 59, 59), rule(1, 1, 0)),
         "IDLW+12:00:00IDLWDT+10:30:00,M12.5.6/23:59:59,M1.1.0/00:00:00"},
        // Rule times are not checked; the time text is cut after 9 characters.
        {record(10100, 1, 60, rule(3, 5, 0, 100)), cet + ",M3.5.0/100:00:0,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, -1)), cet + ",M3.5.0/-1:00:00,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, 2, 0, 100)), cet + ",M3.5.0/02:00:10,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, INT32_MIN, INT32_MIN, INT32_MIN)),
         cet + ",M3.5.0/-2147483,M10.5.0/03:00:00"},
    };
    for (const auto &row : rows) EXPECT_EQ(tzstr(row.r), row.text);

    // Every two-digit field value, in each field of the time.
    for (int v = 0; v < 100; ++v) {
        char want[32];
        std::snprintf(want, sizeof want, ",M3.5.0/%02d:%02d:%02d", v, 99 - v, v);
        EXPECT_EQ(tzstr(record(10100, 1, 60, rule(3, 5, 0, v, 99 - v, v))), cet + want + ",M10.5.0/03:00:00");
    }
}

TEST(TzWriters, ZicTextExamples) {
    struct Row {
        qel_tzrule start;
        int32_t dst_minutes, dst_on;
        const char *line;  // the start line up to the letters
    };
    const Row rows[] = {
        {rule(1, 1, 0, 2), 60, 1, "Jan Sun>=1 2:00 1:00"},
        {rule(2, 2, 1, 2), 60, 2, "Feb Mon>=8 2:00 1:00"},
        {rule(4, 3, 2, 2), 60, -1, "Apr Tue>=15 2:00 1:00"},
        {rule(5, 4, 3, 2), 60, 1, "May Wed>=22 2:00 1:00"},
        {rule(6, 5, 4, 2), 60, 1, "Jun Thu>=29 2:00 1:00"},
        {rule(7, 1, 5, 2), 60, 1, "Jul Fri>=1 2:00 1:00"},
        {rule(8, 1, 6, 2), 60, 1, "Aug Sat>=1 2:00 1:00"},
        {rule(9, 1, 0, 2), 60, 1, "Sep Sun>=1 2:00 1:00"},
        {rule(11, 1, 0, 2), 60, 1, "Nov Sun>=1 2:00 1:00"},
        {rule(12, 1, 0, 2), 60, 1, "Dec Sun>=1 2:00 1:00"},
        {rule(3, 5, 0, 2), 90, 1, "Mar Sun>=29 2:00 1:30"},
        {rule(3, 5, 0, 2), 5, 1, "Mar Sun>=29 2:00 0:05"},
        {rule(3, 5, 0, 2), 1439, 1, "Mar Sun>=29 2:00 23:59"},
        {rule(3, 5, 0, 2), -30, 1, "Mar Sun>=29 2:00 0:-30"},
        {rule(3, 5, 0, 24), 60, 1, "Mar Sun>=29 24:00 1:00"},
        {rule(3, 5, 0, 2, 5, 59), 60, 1, "Mar Sun>=29 2:05 1:00"},
    };
    for (const auto &row : rows) {
        const std::string text = zicstr(record(10100, row.dst_on, row.dst_minutes, row.start));
        EXPECT_EQ(text.substr(0, text.find(" ES\n")), std::string("Rule qlrule min max - ") + row.line);
    }
    // The zone line, in standard time alone and with the rules, the offset with
    // its own sign and hours without a leading zero.
    EXPECT_EQ(zicstr(record(10545)), "Zone local 5:45 - NPT\n\n");
    EXPECT_EQ(zicstr(record(10000)), "Zone local 0:00 - GMT\n\n");
    EXPECT_EQ(zicstr(record(9570, 1, 60)),
              "Rule qlrule min max - Mar Sun>=29 2:00 1:00 D\n"
              "Rule qlrule min max - Oct Sun>=29 3:00 0 E\n"
              "Zone local -4:30 qlrule V%sT\n\n");
    // Seconds and the reserved words do not count.
    qel_tzset r = record(10100, 1, 60);
    r.start.second = 59;
    r.end.reserved = 9;
    EXPECT_EQ(zicstr(r), zicstr(record(10100, 1, 60)));
}

// One table of refusals for both writers: -2, and the buffer untouched.
TEST(TzWriters, Refusals) {
    struct Row {
        qel_tzset r;
        bool tz_refuses, zic_refuses;
    };
    const Row rows[] = {
        {record(10060, 1, 60), true, true},
        {record(87, 1, 60), true, true},
        {record(12000, 1, 60), true, true},
        {record(INT32_MIN, 1, 60), true, true},
        {record(10060), false, true},
        {record(87), false, true},
        {record(10100, 1, 60, rule(0, 1, 0)), true, true},
        {record(10100, 1, 60, rule(13, 1, 0)), true, true},
        {record(10100, 1, 60, rule(1, 0, 0)), true, true},
        {record(10100, 1, 60, rule(1, 6, 0)), true, true},
        {record(10100, 1, 60, rule(1, 1, -1)), true, true},
        {record(10100, 1, 60, rule(1, 1, 7)), true, true},
        {record(10100, 1, 60, rule(3, 5, 0), rule(13, 5, 0)), true, true},
        {record(10100, 1, 60, rule(1, 1, 0), rule(12, 5, 6)), false, false},
    };
    const qel_tzset ok = record(10100, 1, 60);
    for (qeltest::Writer writer : {qel_tzset_to_tzstr, qel_tzset_to_zicstr}) {
        const bool tz = writer == qel_tzset_to_tzstr;
        char buf[256], before[256];
        std::memset(buf, 0x5a, sizeof buf);
        std::memcpy(before, buf, sizeof buf);
        for (const auto &row : rows) {
            const int32_t rc = writer(&row.r, buf, sizeof buf);
            if (rc == QEL_OK) std::memcpy(buf, before, sizeof buf);
            EXPECT_EQ(rc == QEL_EINVAL, tz ? row.tz_refuses : row.zic_refuses) << tz << " " << row.r.zone;
        }
        EXPECT_EQ(writer(nullptr, buf, sizeof buf), QEL_EINVAL);
        EXPECT_EQ(writer(&ok, nullptr, sizeof buf), QEL_EINVAL);
        EXPECT_EQ(writer(&ok, buf, 0), QEL_EINVAL);
        EXPECT_EQ(writer(&ok, buf, -1), QEL_EINVAL);
        EXPECT_EQ(std::memcmp(buf, before, sizeof buf), 0) << tz;
    }
}

// The longest text of each writer over the catalogue, every number at its
// widest, is what the header's buffer size holds with its NUL; at every size
// the first size - 1 characters and a NUL, nothing written beyond them.
TEST(TzWriters, LongestTextsFitTheHeaderSizesAndCutAtEverySize) {
    const qel_tzrule wide = rule(3, 5, 0, INT32_MIN, INT32_MIN, INT32_MIN);
    const qel_tzrule late = rule(12, 5, 6, 23, 59, 59);
    qel_tzset tz_longest{}, zic_longest{};
    for (int32_t code : qeltest::catalogue_codes()) {
        for (int32_t amount : {60, 90, 120, -2147483639}) {
            const qel_tzset tz = record(code, 1, amount, late, late), zic = record(code, 1, amount, wide, wide);
            if (tzstr(tz).size() > tzstr(tz_longest).size()) tz_longest = tz;
            if (zicstr(zic).size() > zicstr(zic_longest).size()) zic_longest = zic;
        }
    }
    ASSERT_EQ(tzstr(tz_longest).size() + 1, size_t{QEL_TZSTR_SIZE});
    ASSERT_EQ(zicstr(zic_longest),
              "Rule qlrule min max - Mar Sun>=29 -2147483648:-2147483648 -35791393:-59 WDT\n"
              "Rule qlrule min max - Mar Sun>=29 -2147483648:-2147483648 0 W\n"
              "Zone local -12:00 qlrule IDL%s\n\n");
    ASSERT_EQ(zicstr(zic_longest).size() + 1, size_t{QEL_ZICSTR_SIZE});
    for (auto [writer, r] : {std::pair{qel_tzset_to_tzstr, tz_longest}, std::pair{qel_tzset_to_zicstr, zic_longest}}) {
        const std::string full = qeltest::write(writer, r);
        for (int32_t size = 1; size <= static_cast<int32_t>(full.size()) + 2; ++size) {
            char buf[256];
            std::memset(buf, '#', sizeof buf);
            ASSERT_EQ(writer(&r, buf, size), QEL_OK);
            const size_t kept = std::min<size_t>(full.size(), static_cast<size_t>(size) - 1);
            ASSERT_EQ(std::string(buf), full.substr(0, kept)) << size;
            for (size_t i = kept + 1; i < sizeof buf; ++i) ASSERT_EQ(buf[i], '#') << size;
        }
    }
}

}  // namespace
