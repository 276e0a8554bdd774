// The TZ string writer, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "qel_time.h"
#include "tz_test_support.hpp"

namespace {

using qeltest::record;
using qeltest::rule;
using qeltest::tzstr;

// Each zone as the TZ string writes it: the text without daylight saving,
// the daylight name, and the daylight offset for the amounts 30, 60, 90, 120.
struct ZoneRow {
    int32_t long_code, short_code;  // short_code 0: long form only
    const char *std_text, *dst_name;
    const char *dst_offset[4];
};
const ZoneRow kZoneRows[] = {
    {8800, 88, "IDLW+12:00", "IDLWDT", {"+11:30", "+11:00", "+10:30", "+10:00"}},
    {8900, 89, "BST+11:00", "BDT", {"+10:30", "+10:00", "+09:30", "+09:00"}},
    {9000, 90, "HAST+10:00", "HADT", {"+09:30", "+09:00", "+08:30", "+08:00"}},
    {9100, 91, "AKST+09:00", "AKDT", {"+08:30", "+08:00", "+07:30", "+07:00"}},
    {9200, 92, "PST+08:00", "PDT", {"+07:30", "+07:00", "+06:30", "+06:00"}},
    {9300, 93, "MST+07:00", "MDT", {"+06:30", "+06:00", "+05:30", "+05:00"}},
    {9400, 94, "CST+06:00", "CDT", {"+05:30", "+05:00", "+04:30", "+04:00"}},
    {9500, 95, "EST+05:00", "EDT", {"+04:30", "+04:00", "+03:30", "+03:00"}},
    {9570, 0, "VET+04:30", "VDT", {"+04:00", "+03:30", "+03:00", "+02:30"}},
    {9600, 96, "AST+04:00", "ADT", {"+03:30", "+03:00", "+02:30", "+02:00"}},
    {9670, 0, "NST+03:30", "NDT", {"+03:00", "+02:30", "+02:00", "+01:30"}},
    {9700, 97, "BRT+03:00", "BRST", {"+02:30", "+02:00", "+01:30", "+01:00"}},
    {9800, 98, "FNT+02:00", "FNDT", {"+01:30", "+01:00", "+00:30", "-00:00"}},
    {9900, 99, "EGT+01:00", "EGST", {"+00:30", "-00:00", "-00:30", "-01:00"}},
    {10000, 100, "GMT-00:00", "BST", {"-00:30", "-01:00", "-01:30", "-02:00"}},
    {10100, 101, "CET-01:00", "CEST", {"-01:30", "-02:00", "-02:30", "-03:00"}},
    {10200, 102, "EET-02:00", "EEST", {"-02:30", "-03:00", "-03:30", "-04:00"}},
    {10300, 103, "MSK-03:00", "MSD", {"-03:30", "-04:00", "-04:30", "-05:00"}},
    {10330, 0, "IRST-03:30", "IRDT", {"-04:00", "-04:30", "-05:00", "-05:30"}},
    {10400, 104, "AZT-04:00", "AZST", {"-04:30", "-05:00", "-05:30", "-06:00"}},
    {10430, 0, "AFT-04:30", "AFDT", {"-05:00", "-05:30", "-06:00", "-06:30"}},
    {10500, 105, "YEKT-05:00", "YEKDT", {"-05:30", "-06:00", "-06:30", "-07:00"}},
    {10530, 0, "IST-05:30", "IDT", {"-06:00", "-06:30", "-07:00", "-07:30"}},
    {10545, 0, "NPT-05:45", "NPDT", {"-06:15", "-06:45", "-07:15", "-07:45"}},
    {10600, 106, "NOVT-06:00", "NOVST", {"-06:30", "-07:00", "-07:30", "-08:00"}},
    {10630, 0, "MMT-06:30", "MMDT", {"-07:00", "-07:30", "-08:00", "-08:30"}},
    {10700, 107, "KRAT-07:00", "KRAST", {"-07:30", "-08:00", "-08:30", "-09:00"}},
    {10800, 108, "AWST-08:00", "AWDT", {"-08:30", "-09:00", "-09:30", "-10:00"}},
    {10900, 109, "YAKT-09:00", "YAKST", {"-09:30", "-10:00", "-10:30", "-11:00"}},
    {10930, 0, "ACST-09:30", "ACDT", {"-10:00", "-10:30", "-11:00", "-11:30"}},
    {11000, 110, "AEST-10:00", "AEDT", {"-10:30", "-11:00", "-11:30", "-12:00"}},
    {11100, 111, "MAGT-11:00", "MAGST", {"-11:30", "-12:00", "-12:30", "-13:00"}},
    {11200, 112, "NZST-12:00", "NZDT", {"-12:30", "-13:00", "-13:30", "-14:00"}},
    {11300, 113, "WST-13:00", "WDT", {"-13:30", "-14:00", "-14:30", "-15:00"}},
    {11400, 114, "LINT-14:00", "LINDT", {"-14:30", "-15:00", "-15:30", "-16:00"}},
};
const int32_t kAmounts[] = {30, 60, 90, 120};
const std::string kRules = ",M3.5.0/02:00:00,M10.5.0/03:00:00";

TEST(TzstrWrite, EveryZoneEveryAmountShortAndLong) {
    for (const auto &z : kZoneRows) {
        for (int32_t code : {z.long_code, z.short_code}) {
            if (code == 0) continue;
            EXPECT_EQ(tzstr(record(code)), z.std_text) << code;
            for (int i = 0; i < 4; ++i) {
                const std::string expected =
                    std::string(z.std_text) + ":00" + z.dst_name + z.dst_offset[i] + ":00" + kRules;
                EXPECT_EQ(tzstr(record(code, 1, kAmounts[i])), expected) << code << " " << kAmounts[i];
            }
        }
    }
}

TEST(TzstrWrite, WorkedExamples) {
    struct Row {
        qel_tzset r;
        const char *text;
    };
    const Row rows[] = {
        {record(10100, 1, 60), "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"},
        {record(101, 1, 60), "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"},
        {record(10100, 0, 60, rule(99, -7, 0)), "CET-01:00"},
        {record(10100, 2, 60), "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"},
        {record(10100, -1, 60), "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"},
        {record(88, 1, 90, rule(12, 5, 6, 23, 59, 59), rule(12, 5, 6, 23, 59, 59)),
         "IDLW+12:00:00IDLWDT+10:30:00,M12.5.6/23:59:59,M12.5.6/23:59:59"},
        {record(10100, 1, 60, rule(1, 1, 0, 2), rule(12, 5, 6, 3)),
         "CET-01:00:00CEST-02:00:00,M1.1.0/02:00:00,M12.5.6/03:00:00"},
        // Rule times are not checked; the time text is cut after 9 characters.
        {record(10100, 1, 60, rule(3, 5, 0, 24)), "CET-01:00:00CEST-02:00:00,M3.5.0/24:00:00,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, 2, 60)), "CET-01:00:00CEST-02:00:00,M3.5.0/02:60:00,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, 2, 0, 100)), "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:10,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, 12345)), "CET-01:00:00CEST-02:00:00,M3.5.0/12345:00,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, 100)), "CET-01:00:00CEST-02:00:00,M3.5.0/100:00:0,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, -1)), "CET-01:00:00CEST-02:00:00,M3.5.0/-1:00:00,M10.5.0/03:00:00"},
        {record(10100, 1, 60, rule(3, 5, 0, INT32_MIN, -5, 7)),
         "CET-01:00:00CEST-02:00:00,M3.5.0/-2147483,M10.5.0/03:00:00"},
    };
    for (const auto &row : rows) EXPECT_EQ(tzstr(row.r), row.text);
}

TEST(TzstrWrite, AmountsOtherThan60_90_120AreWrittenAs30) {
    for (int32_t minutes : {0, 1, 29, 31, 45, 59, 61, 89, 91, 119, 121, 150, 180, 240, -60, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(tzstr(record(10100, 1, minutes)), "CET-01:00:00CEST-01:30:00" + kRules) << minutes;
    }
}

TEST(TzstrWrite, UnknownCodes) {
    for (int32_t code : {0, 87, 115, 8799, 9571, 10015, 10060, 11401, 12000, -10100, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(tzstr(record(code)), "GMT-00:00") << code;
        EXPECT_EQ(tzstr(record(code, 1, 60)), "<-2>") << code;
    }
}

TEST(TzstrWrite, RuleDayRanges) {
    struct Row {
        qel_tzrule r;
        bool ok;
    };
    const Row rows[] = {
        {rule(0, 1, 0), false},  {rule(13, 1, 0), false}, {rule(1, 0, 0), false}, {rule(1, 6, 0), false},
        {rule(1, 1, -1), false}, {rule(1, 1, 7), false},  {rule(1, 1, 0), true},  {rule(12, 5, 6), true},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(tzstr(record(10100, 1, 60, row.r, rule(10, 5, 0))) != "<-2>", row.ok) << row.r.month;
        EXPECT_EQ(tzstr(record(10100, 1, 60, rule(3, 5, 0), row.r)) != "<-2>", row.ok) << row.r.month;
    }
}

// The reserved words, and with daylight saving off everything but the zone,
// have no effect on the text.
TEST(TzstrWrite, IgnoredFields) {
    qel_tzset r = record(10545, 1, 90);
    const std::string base = tzstr(r);
    r.start.reserved = 77;
    r.end.reserved = -5;
    EXPECT_EQ(tzstr(r), base);
    qel_tzset off = record(10545, 0, 60, rule(-1, 99, 42, 1, 2, 3), rule(0, 0, 0));
    EXPECT_EQ(tzstr(off), "NPT-05:45");
}

// Any size cuts the text to size - 1 characters and a NUL; nothing beyond
// size bytes is touched. Failures touch nothing at all.
TEST(TzstrWrite, SizesAndUntouchedBuffer) {
    const qel_tzset longest = record(8800, 1, 90, rule(12, 5, 6, 23, 59, 59), rule(12, 5, 6, 23, 59, 59));
    ASSERT_EQ(tzstr(longest).size(), 62U);
    qeltest::expect_cut_at_every_size(qel_tzset_to_tzstr, longest);

    const qel_tzset cet = record(10100, 1, 60);
    struct Row {
        int32_t size;
        const char *text;
    };
    const Row rows[] = {{1, ""}, {2, "C"}, {10, "CET-01:00"}, {20, "CET-01:00:00CEST-02"}};
    for (const auto &row : rows) {
        char buf[64];
        ASSERT_EQ(qel_tzset_to_tzstr(&cet, buf, row.size), QEL_OK);
        EXPECT_STREQ(buf, row.text);
    }
    qeltest::expect_refusals_untouched(qel_tzset_to_tzstr, cet,
                                       {record(12000, 1, 60), record(10100, 1, 60, rule(3, 5, 0), rule(13, 5, 0))});
}

}  // namespace
