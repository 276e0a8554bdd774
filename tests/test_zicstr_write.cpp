// The zic text writer, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "qel_time.h"
#include "tz_test_support.hpp"

namespace {

using qeltest::record;
using qeltest::rule;
using qeltest::zicstr;

struct ZicRow {
    int32_t long_code, short_code;  // short_code 0: long form only
    const char *offset, *abbreviation, *format, *std_letters, *dst_letters;
};
const ZicRow kZicRows[] = {
    {8800, 88, "-12:00", "IDLW", "IDL%s", "W", "WDT"}, {8900, 89, "-11:00", "BST", "B%sT", "S", "D"},
    {9000, 90, "-10:00", "HAST", "HA%sT", "S", "D"},   {9100, 91, "-9:00", "AKST", "AK%sT", "S", "D"},
    {9200, 92, "-8:00", "PST", "P%sT", "S", "D"},      {9300, 93, "-7:00", "MST", "M%sT", "S", "D"},
    {9400, 94, "-6:00", "CST", "C%sT", "S", "D"},      {9500, 95, "-5:00", "EST", "E%sT", "S", "D"},
    {9570, 0, "-4:30", "VET", "V%sT", "E", "D"},       {9600, 96, "-4:00", "AST", "A%sT", "S", "D"},
    {9670, 0, "-3:30", "NST", "N%sT", "S", "D"},       {9700, 97, "-3:00", "BRT", "B%sT", "R", "RS"},
    {9800, 98, "-2:00", "FNT", "F%sT", "N", "ND"},     {9900, 99, "-1:00", "EGT", "E%sT", "G", "GS"},
    {10000, 100, "0:00", "GMT", "G%sT", "M", "D"},     {10100, 101, "1:00", "CET", "C%sT", "E", "ES"},
    {10200, 102, "2:00", "EET", "E%sT", "E", "ES"},    {10300, 103, "3:00", "MSK", "MS%s", "K", "D"},
    {10330, 0, "3:30", "IRST", "IR%sT", "S", "D"},     {10400, 104, "4:00", "AZT", "A%sT", "Z", "ZS"},
    {10430, 0, "4:30", "AFT", "A%sT", "F", "FD"},      {10500, 105, "5:00", "YEKT", "YE%sT", "K", "KD"},
    {10530, 0, "5:30", "IST", "I%sT", "S", "D"},       {10545, 0, "5:45", "NPT", "N%sT", "P", "PD"},
    {10600, 106, "6:00", "NOVT", "NO%sT", "V", "VS"},  {10630, 0, "6:30", "MMT", "M%sT", "M", "MD"},
    {10700, 107, "7:00", "KRAT", "KR%sT", "A", "AS"},  {10800, 108, "8:00", "AWST", "AW%sT", "S", "D"},
    {10900, 109, "9:00", "YAKT", "YA%sT", "K", "KS"},  {10930, 0, "9:30", "ACST", "AC%sT", "S", "D"},
    {11000, 110, "10:00", "AEST", "AE%sT", "S", "D"},  {11100, 111, "11:00", "MAGT", "MA%sT", "G", "GS"},
    {11200, 112, "12:00", "NZST", "NZ%sT", "S", "D"},  {11300, 113, "13:00", "WST", "W%sT", "S", "D"},
    {11400, 114, "14:00", "LINT", "LI%sT", "N", "ND"},
};

std::string fill(const std::string &format, const std::string &letters) {
    const size_t at = format.find("%s");
    return format.substr(0, at) + letters + format.substr(at + 2);
}

TEST(ZicstrWrite, EveryZoneShortAndLong) {
    for (const auto &z : kZicRows) {
        EXPECT_EQ(fill(z.format, z.std_letters), z.abbreviation) << z.long_code;
        for (int32_t code : {z.long_code, z.short_code}) {
            if (code == 0) continue;
            EXPECT_EQ(zicstr(record(code)), std::string("Zone local ") + z.offset + " - " + z.abbreviation + "\n\n");
            const std::string on = std::string("Rule qlrule min max - Mar Sun>=29 2:00 1:00 ") + z.dst_letters +
                                   "\nRule qlrule min max - Oct Sun>=29 3:00 0 " + z.std_letters + "\nZone local " +
                                   z.offset + " qlrule " + z.format + "\n\n";
            EXPECT_EQ(zicstr(record(code, 1, 60)), on) << code;
        }
    }
}

TEST(ZicstrWrite, WorkedExamples) {
    const std::string cet_on =
        "Rule qlrule min max - Mar Sun>=29 2:00 1:00 ES\n"
        "Rule qlrule min max - Oct Sun>=29 3:00 0 E\n"
        "Zone local 1:00 qlrule C%sT\n\n";
    ASSERT_EQ(cet_on.size(), 119U);
    EXPECT_EQ(zicstr(record(10100, 1, 60)), cet_on);
    EXPECT_EQ(zicstr(record(101, 1, 60)), cet_on);
    EXPECT_EQ(zicstr(record(101, -1, 60)), cet_on);
    EXPECT_EQ(zicstr(record(101, 2, 60)), cet_on);
    EXPECT_EQ(zicstr(record(10100, 0, 60, rule(0, 9, -1))), "Zone local 1:00 - CET\n\n");

    // Start line: week -> day, weekday names, AT and SAVE as h:mm.
    struct Row {
        qel_tzrule start;
        int32_t dst_minutes;
        const char *line;
    };
    const Row rows[] = {
        {rule(1, 1, 0, 2), 60, "Jan Sun>=1 2:00 1:00"},
        {rule(2, 2, 1, 2), 60, "Feb Mon>=8 2:00 1:00"},
        {rule(4, 3, 2, 2), 60, "Apr Tue>=15 2:00 1:00"},
        {rule(5, 4, 3, 2), 60, "May Wed>=22 2:00 1:00"},
        {rule(6, 5, 4, 2), 60, "Jun Thu>=29 2:00 1:00"},
        {rule(7, 1, 5, 2), 60, "Jul Fri>=1 2:00 1:00"},
        {rule(8, 1, 6, 2), 60, "Aug Sat>=1 2:00 1:00"},
        {rule(9, 1, 0, 2), 60, "Sep Sun>=1 2:00 1:00"},
        {rule(11, 1, 0, 2), 60, "Nov Sun>=1 2:00 1:00"},
        {rule(12, 1, 0, 2), 60, "Dec Sun>=1 2:00 1:00"},
        {rule(3, 5, 0, 2), 90, "Mar Sun>=29 2:00 1:30"},
        {rule(3, 5, 0, 2), 30, "Mar Sun>=29 2:00 0:30"},
        {rule(3, 5, 0, 2), 5, "Mar Sun>=29 2:00 0:05"},
        {rule(3, 5, 0, 2), 0, "Mar Sun>=29 2:00 0:00"},
        {rule(3, 5, 0, 2), 1439, "Mar Sun>=29 2:00 23:59"},
        {rule(3, 5, 0, 2), -60, "Mar Sun>=29 2:00 -1:00"},
        {rule(3, 5, 0, 2), -30, "Mar Sun>=29 2:00 0:-30"},
        {rule(3, 5, 0, 24, 0), 60, "Mar Sun>=29 24:00 1:00"},
        {rule(3, 5, 0, 2, 5, 59), 60, "Mar Sun>=29 2:05 1:00"},
        {rule(3, 5, 0, INT32_MIN, INT32_MIN), INT32_MIN, "Mar Sun>=29 -2147483648:-2147483648 -35791394:-8"},
    };
    for (const auto &row : rows) {
        const std::string text = zicstr(record(10100, 1, row.dst_minutes, row.start));
        EXPECT_EQ(text.substr(0, text.find(" ES\n")), std::string("Rule qlrule min max - ") + row.line);
    }
}

// Every number at its widest in the zone with the longest names and letters.
TEST(ZicstrWrite, LongestText) {
    const qel_tzrule wide = rule(3, 5, 0, INT32_MIN, INT32_MIN);
    const std::string text = zicstr(record(8800, 1, -2147483639, wide, wide));
    EXPECT_EQ(text,
              "Rule qlrule min max - Mar Sun>=29 -2147483648:-2147483648 -35791393:-59 WDT\n"
              "Rule qlrule min max - Mar Sun>=29 -2147483648:-2147483648 0 W\n"
              "Zone local -12:00 qlrule IDL%s\n\n");
    EXPECT_EQ(text.size(), 170U);
}

TEST(ZicstrWrite, RefusedCodesAndRules) {
    for (int32_t code : {0, 87, 115, 8700, 8799, 9571, 10015, 10060, 11401, 11500, 12000, -1, -10100, INT32_MIN}) {
        EXPECT_EQ(zicstr(record(code)), "<-2>") << code;
        EXPECT_EQ(zicstr(record(code, 1, 60)), "<-2>") << code;
    }
    const qel_tzrule bad[] = {rule(0, 1, 0), rule(13, 1, 0), rule(1, 0, 0),
                              rule(1, 6, 0), rule(1, 1, -1), rule(1, 1, 7)};
    for (const auto &b : bad) {
        EXPECT_EQ(zicstr(record(10100, 1, 60, b, rule(10, 5, 0))), "<-2>");
        EXPECT_EQ(zicstr(record(10100, 1, 60, rule(3, 5, 0), b)), "<-2>");
    }
    qel_tzset r = record(10100, 1, 60);
    const std::string base = zicstr(r);
    r.start.second = 59;
    r.end.second = -3;
    r.start.reserved = 9;
    r.end.reserved = 9;
    EXPECT_EQ(zicstr(r), base);
}

TEST(ZicstrWrite, SizesAndUntouchedBuffer) {
    const qel_tzset r = record(10100, 1, 60);
    qeltest::expect_cut_at_every_size(qel_tzset_to_zicstr, r);
    char buf[128];
    ASSERT_EQ(qel_tzset_to_zicstr(&r, buf, 100), QEL_OK);
    EXPECT_EQ(std::string(buf), zicstr(r).substr(0, 99));
    qeltest::expect_refusals_untouched(qel_tzset_to_zicstr, r,
                                       {record(10100, 1, 60, rule(3, 5, 0), rule(13, 5, 0)), record(87)});
}

}  // namespace
