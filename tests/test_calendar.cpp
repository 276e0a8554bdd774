// Calendar and text conversions under fixed TZ values: each result is
// checked against the C library call it wraps, taken directly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "fake_platform.h"
#include "qel_time.h"

namespace {

// UTC, a zone 4:30 west, one 5:45 east, and one with daylight saving, with
// their offsets in winter.
struct Zone {
    const char *tz;
    int64_t winter_offset;
};
const Zone kZones[] = {{"UTC0", 0}, {"VET4:30", -16200}, {"NPT-5:45", 20700}, {"CET-1CEST,M3.5.0,M10.5.0/3", 3600}};

class Calendar : public ::testing::TestWithParam<Zone> {
  protected:
    void SetUp() override {
        fake_reset();
        ASSERT_EQ(setenv("TZ", GetParam().tz, 1), 0);
        tzset();
    }
    void TearDown() override {
        fake_reset();
        setenv("TZ", "UTC0", 1);
        tzset();
    }
};

// The epoch, 2024-01-15 12:00 UTC (winter), 2024-07-15 12:00 (summer), and
// an hour after each change of the daylight-saving zone in 2024.
const int64_t kInstants[] = {0, 1705320000, 1721044800, 1711846800, 1729994400};

bool same_tm(const struct tm &a, const struct tm &b) {
    return a.tm_sec == b.tm_sec && a.tm_min == b.tm_min && a.tm_hour == b.tm_hour && a.tm_mday == b.tm_mday &&
           a.tm_mon == b.tm_mon && a.tm_year == b.tm_year && a.tm_wday == b.tm_wday && a.tm_yday == b.tm_yday &&
           a.tm_isdst == b.tm_isdst && a.tm_gmtoff == b.tm_gmtoff && std::strcmp(a.tm_zone, b.tm_zone) == 0;
}

TEST_P(Calendar, EveryConversionMatchesTheCLibrary) {
    for (int64_t t : kInstants) {
        struct tm ours;
        std::memset(&ours, 0x7f, sizeof ours);
        ASSERT_EQ(qel_time_to_tm(&t, &ours), QEL_OK);
        const auto native = static_cast<time_t>(t);
        struct tm theirs {};
        ASSERT_NE(localtime_r(&native, &theirs), nullptr);
        EXPECT_TRUE(same_tm(ours, theirs)) << t;

        // Back through mktime, and through the text form both ways.
        int64_t back = -1;
        ASSERT_EQ(qel_tm_to_time(&ours, &back), QEL_OK);
        EXPECT_EQ(back, t);
        char text[20];
        ASSERT_EQ(qel_time_to_str(&t, text, sizeof text), QEL_OK);
        char expected[32];
        ASSERT_EQ(strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &theirs), 19U);
        EXPECT_STREQ(text, expected);
        int64_t parsed = -1;
        ASSERT_EQ(qel_str_to_time(text, &parsed), QEL_OK);
        struct tm probe {};
        ASSERT_NE(strptime(expected, "%Y-%m-%d %H:%M:%S", &probe), nullptr);
        probe.tm_isdst = -1;
        EXPECT_EQ(parsed, static_cast<int64_t>(mktime(&probe))) << text;

        // The offset from UTC when the clock reads t; in winter, the zone's own.
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_TIME);
        fake.time_value = native;
        int64_t diff = 1;
        ASSERT_EQ(qel_get_time_diff(&diff), QEL_OK);
        fake_reset();
        EXPECT_EQ(diff, t == kInstants[1] ? GetParam().winter_offset : theirs.tm_gmtoff) << t;
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, Calendar, ::testing::ValuesIn(kZones));

class CalendarFixed : public ::testing::Test {
  protected:
    void use_zone(const char *tz) {
        ASSERT_EQ(setenv("TZ", tz, 1), 0);
        tzset();
    }
    void SetUp() override { fake_reset(); }
    void TearDown() override {
        fake_reset();
        use_zone("UTC0");
    }
};

TEST_F(CalendarFixed, EpochAndBeforeThroughMktime) {
    use_zone("UTC0");
    struct tm epoch {};
    epoch.tm_year = 70;
    epoch.tm_mday = 1;
    int64_t value = -1;
    ASSERT_EQ(qel_tm_to_time(&epoch, &value), QEL_OK);
    EXPECT_EQ(value, 0);
    struct tm before = epoch;
    before.tm_sec = -1;
    value = 42;
    EXPECT_EQ(qel_tm_to_time(&before, &value), QEL_ESYSTEM);
    EXPECT_EQ(value, 42);
}

TEST_F(CalendarFixed, TextBufferSizes) {
    use_zone("UTC0");
    const int64_t t = 1705320000;
    struct tm tm_in {};
    ASSERT_EQ(qel_time_to_tm(&t, &tm_in), QEL_OK);
    struct Row {
        uint32_t size;
        int32_t result;
    };
    const Row rows[] = {{0, QEL_EINVAL}, {19, QEL_EINVAL}, {20, QEL_OK}, {64, QEL_OK}};
    for (const auto &row : rows) {
        char buf[64];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(qel_timetm_to_str(&tm_in, buf, row.size), row.result) << row.size;
        EXPECT_EQ(qel_time_to_str(&t, buf, row.size), row.result) << row.size;
        if (row.result == QEL_OK) {
            EXPECT_STREQ(buf, "2024-01-15 12:00:00");
        } else {
            EXPECT_EQ(buf[0], '#');  // nothing written on -2
        }
    }
    // A five-digit year does not fit 20 bytes: -3, and -4 through the composite.
    struct tm far = tm_in;
    far.tm_year = 10000 - 1900;
    char buf[20];
    EXPECT_EQ(qel_timetm_to_str(&far, buf, sizeof buf), QEL_ESYSTEM);
    char wide[32];
    ASSERT_EQ(qel_timetm_to_str(&far, wide, sizeof wide), QEL_OK);
    EXPECT_STREQ(wide, "10000-01-15 12:00:00");
}

TEST_F(CalendarFixed, TextReadCutsAfter19Characters) {
    use_zone("UTC0");
    struct tm out;
    std::memset(&out, 0, sizeof out);
    ASSERT_EQ(qel_str_to_timetm("2024-01-05 10:20:30 and more", &out), QEL_OK);
    EXPECT_EQ(out.tm_year, 124);
    EXPECT_EQ(out.tm_mon, 0);
    EXPECT_EQ(out.tm_mday, 5);
    EXPECT_EQ(out.tm_hour, 10);
    EXPECT_EQ(out.tm_min, 20);
    EXPECT_EQ(out.tm_sec, 30);
    // The seconds' second digit is the 20th character: cut away, so "3" is
    // read, from a copy of 19 characters that ends with its NUL.
    fake_arm();
    ASSERT_EQ(qel_str_to_timetm("2024-01-05  10:20:39", &out), QEL_OK);
    EXPECT_EQ(out.tm_sec, 3);
    EXPECT_EQ(fake.strptime_len, 19U);
    fake_reset();
    EXPECT_EQ(qel_str_to_timetm("2024/01/05 10:20:30", &out), QEL_ESYSTEM);
    EXPECT_EQ(qel_str_to_timetm("", &out), QEL_ESYSTEM);
}

}  // namespace
