// SPDX-License-Identifier: MIT
// The full POSIX TZ reader: the forms it takes and refuses, every rule line
// of the machine's tz database, and the rule arithmetic against the C library.
#include <gtest/gtest.h>

#include <string>

#include "formats/posix_tz.hpp"
#include "judge/window.hpp"
#include "libc_local_time.hpp"
#include "system/database.hpp"

namespace {

using qeltz::PosixRule;
using qeltz::PosixTz;

TEST(PosixTz, ReadsEveryForm) {
    struct Row {
        const char *text;
        int32_t std_offset, dst_offset;
        bool has_dst, has_rules;
        const char *start, *end;  // rule_text of the rules read
    };
    const Row rows[] = {
        {"JST-9", 32400, 0, false, false, "", ""},
        {"<+0545>-5:45", 20700, 0, false, false, "", ""},
        {"<-03>3<-02>,M3.5.0/-2,M10.5.0/-1", -10800, -7200, true, true, "M3.5.0/-02:00:00", "M10.5.0/-01:00:00"},
        {"IST-1GMT0,M10.5.0,M3.5.0/1", 3600, 0, true, true, "M10.5.0/02:00:00", "M3.5.0/01:00:00"},
        {"EST5EDT", -18000, -14400, true, false, "", ""},
        {"AAA+24:59:59BBB-24,J1/0,365/167", -89999, 86400, true, true, "J1/00:00:00", "365/167:00:00"},
        {"EET-2EEST,M3.4.4/50,M10.4.4/50", 7200, 10800, true, true, "M3.4.4/50:00:00", "M10.4.4/50:00:00"},
    };
    for (const Row &row : rows) {
        PosixTz tz;
        std::string why;
        ASSERT_TRUE(qeltz::parse_posix_tz(row.text, tz, why)) << row.text << ": " << why;
        EXPECT_EQ(tz.std_offset, row.std_offset) << row.text;
        EXPECT_EQ(tz.has_dst, row.has_dst) << row.text;
        EXPECT_EQ(tz.has_rules, row.has_rules) << row.text;
        if (row.has_dst) {
            EXPECT_EQ(tz.dst_offset, row.dst_offset) << row.text;
        }
        if (row.has_rules) {
            EXPECT_EQ(qeltz::rule_text(tz.start), row.start) << row.text;
            EXPECT_EQ(qeltz::rule_text(tz.end), row.end) << row.text;
        }
    }
}

TEST(PosixTz, RefusesWithAReason) {
    struct Row {
        const char *text, *why;
    };
    const Row rows[] = {
        {"", "standard name has fewer than three letters"},
        {"AB1", "standard name has fewer than three letters"},
        {"<+05", "quoted standard name is not closed"},
        {"CET", "standard offset hours is missing"},
        {"CET-25", "standard offset hours 25 is not 0..24"},
        {"CET-99999999999999999999", "standard offset hours 99999999999999999999 is not 0..24"},
        {"CET-1:60", "minutes 60 is not 0..59"},
        {"CET-1CEST,M13.1.0,M10.5.0", "start rule month 13 is not 1..12"},
        {"CET-1CEST,M3.0.0,M10.5.0", "start rule week 0 is not 1..5"},
        {"CET-1CEST,M3.5.7,M10.5.0", "start rule weekday 7 is not 0..6"},
        {"CET-1CEST,J0,M10.5.0", "start rule day 0 is not 1..365"},
        {"CET-1CEST,M3.5.0/168,M10.5.0", "start rule time hours 168 is not 0..167"},
        {"CET-1CEST,M3.5.0", "',' before the end rule is missing"},
        {"CET-1CEST-2x", "',' before the start rule is missing"},
        {"CET-1CEST,M3.5.0,M10.5.0x", "text follows the end rule"},
        {":Europe/Berlin", "names a file"},
    };
    for (const Row &row : rows) {
        PosixTz tz;
        std::string why;
        EXPECT_FALSE(qeltz::parse_posix_tz(row.text, tz, why)) << row.text;
        EXPECT_NE(why.find(row.why), std::string::npos) << row.text << ": " << why;
    }
}

// The rule line of every compiled zone on this machine reads.
TEST(PosixTz, ReadsEveryRuleLineOfTheDatabase) {
    const qeltz::TzDatabase db = qeltz::tz_database("/usr/share/zoneinfo");
    const auto places = qeltz::list_places(db.dir);
    if (places.empty()) GTEST_SKIP() << "no tz database in " << db.dir;
    for (const auto &name : places) {
        const qeltz::Place place = qeltz::load_place(db, name);
        std::string why;
        ASSERT_TRUE(place.ok) << place.problem.text;
        if (place.zone.rule_line.empty()) continue;
        PosixTz tz;
        EXPECT_TRUE(qeltz::parse_posix_tz(place.zone.rule_line, tz, why))
            << name << ": " << place.zone.rule_line << ": " << why;
    }
}

// Where a rule falls in a year, against the C library's own reading of a TZ
// string with that rule: day forms, the last week, times past 24 hours and
// below 0, leap and common years.
TEST(PosixTz, RuleInstantsAgreeWithTheCLibrary) {
    const char *rules[] = {"M3.5.0", "M2.5.3/-1", "M10.1.6/26", "M4.1.0/167", "J59",    "J60/-3:30",
                           "59",     "60/12",     "M2.4.2",     "M9.5.0",     "M4.5.0", "M11.5.3/1"};
    for (const char *text : rules) {
        const std::string tz = std::string("AAA0BBB,") + text + ",M12.5.6/23";
        PosixTz parsed;
        std::string why;
        ASSERT_TRUE(qeltz::parse_posix_tz(tz, parsed, why)) << tz << ": " << why;
        for (int year : {2027, 2028, 2031, 2036}) {
            const auto spans =
                qeltest::libc_local_time(tz, qeltz::year_start(year), qeltz::year_start(year + 1), 6 * 3600);
            ASSERT_GE(spans.size(), 2u) << tz;
            EXPECT_EQ(spans[1].from, qeltz::rule_local_seconds(parsed.start, year)) << tz << " in " << year;
        }
    }
}

// Every month-week-day rule, by the C library's calendar: on its weekday in
// its month, week n from day 7n-6 on, week 5 the last of the month; in
// common and leap years (2100 where time_t reaches it).
TEST(PosixTz, EveryMonthWeekDayFallsInItsWeek) {
    for (int year : {2023, 2024, 2036, sizeof(time_t) > 4 ? 2100 : 2037}) {
        for (int month = 1; month <= 12; ++month) {
            for (int week = 1; week <= 5; ++week) {
                for (int wday = 0; wday <= 6; ++wday) {
                    const PosixRule rule{PosixRule::kMonthWeekDay, 0, month, week, wday, 0, true};
                    const time_t at = static_cast<time_t>(qeltz::rule_local_seconds(rule, year));
                    const time_t week_on = at + time_t{7} * 86400;
                    struct tm day {};
                    struct tm next {};
                    ASSERT_TRUE(gmtime_r(&at, &day) != nullptr && gmtime_r(&week_on, &next) != nullptr);
                    const bool last = next.tm_mon != month - 1;
                    EXPECT_TRUE(day.tm_year == year - 1900 && day.tm_mon == month - 1 && day.tm_wday == wday &&
                                (week == 5 ? last : (day.tm_mday - 1) / 7 == week - 1))
                        << "M" << month << "." << week << "." << wday << " in " << year;
                }
            }
        }
    }
}

}  // namespace
