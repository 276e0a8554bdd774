// SPDX-License-Identifier: MIT
// Calendar and text conversions under fixed TZ values: each result is
// checked against the C library call it wraps, taken directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

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

// Each conversion of each instant against the C library call it wraps, and
// the clock read and set at that instant: the broken-down time both ways,
// the text form both ways, the local offset, and the time handed to the
// clock by a set.
TEST_P(Calendar, EveryConversionMatchesTheCLibrary) {
    for (int64_t t : kInstants) {
        struct tm ours;
        std::memset(&ours, 0x7f, sizeof ours);
        ASSERT_EQ(qel_time_to_tm(&t, &ours), QEL_OK);
        const auto native = static_cast<time_t>(t);
        struct tm theirs {};
        struct tm utc {};
        ASSERT_NE(localtime_r(&native, &theirs), nullptr);
        ASSERT_NE(gmtime_r(&native, &utc), nullptr);
        EXPECT_TRUE(same_tm(ours, theirs)) << t;
        int64_t back = -1;
        ASSERT_EQ(qel_tm_to_time(&ours, &back), QEL_OK);
        EXPECT_EQ(back, t);

        // The text form, and read back as the same instant.
        char text[20];
        ASSERT_EQ(qel_time_to_str(&t, text, sizeof text), QEL_OK);
        char expected[32];
        ASSERT_EQ(strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &theirs), 19U);
        EXPECT_STREQ(text, expected);
        ASSERT_EQ(qel_str_to_time(text, &back), QEL_OK);
        EXPECT_EQ(back, t) << text;

        // The clock reads t: local and UTC time, and the offset from UTC, in
        // winter the zone's own. A set of the local time hands the clock t.
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_TIME);
        fake.time_value = native;
        struct tm now_local {};
        struct tm now_utc {};
        int64_t diff = 1;
        ASSERT_EQ(qel_get_timetm(&now_local, 0), QEL_OK);
        ASSERT_EQ(qel_get_timetm(&now_utc, 1), QEL_OK);
        ASSERT_EQ(qel_get_time_diff(&diff), QEL_OK);
        ASSERT_EQ(qel_set_timetm(&ours), QEL_OK);
        EXPECT_EQ(fake.settime_value.tv_sec, native);
        fake_reset();
        EXPECT_TRUE(same_tm(now_local, theirs) && same_tm(now_utc, utc)) << t;
        EXPECT_EQ(diff, t == kInstants[1] ? GetParam().winter_offset : theirs.tm_gmtoff) << t;
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, Calendar, ::testing::ValuesIn(kZones));

// The text form at the edges of the buffer: a size below QEL_STR_SIZE (20) is
// refused before anything is written; 20 bytes take a four-digit year, not a
// five-digit one.
TEST(CalendarText, BufferSizes) {
    ASSERT_EQ(setenv("TZ", "UTC0", 1), 0);
    tzset();
    const int64_t t = 1705320000;  // 2024-01-15 12:00:00 UTC
    struct tm tm {};
    ASSERT_EQ(qel_time_to_tm(&t, &tm), QEL_OK);
    for (const auto &[size, result] : {std::pair{0U, QEL_EINVAL}, {QEL_STR_SIZE - 1U, QEL_EINVAL}, {20U, QEL_OK}}) {
        char by_tm[64] = "#", by_time[64] = "#";
        EXPECT_EQ(qel_timetm_to_str(&tm, by_tm, size), result) << size;
        EXPECT_EQ(qel_time_to_str(&t, by_time, size), result) << size;
        EXPECT_STREQ(by_tm, result == QEL_OK ? "2024-01-15 12:00:00" : "#") << size;
        EXPECT_STREQ(by_time, by_tm) << size;
    }
    tm.tm_year = 10000 - 1900;
    char buf[QEL_STR_SIZE];
    EXPECT_EQ(qel_timetm_to_str(&tm, buf, sizeof buf), QEL_ESYSTEM);
}

// Only the first 19 characters of a text are read: strptime is handed at
// most 19 of them, a NUL-terminated copy where the text is longer.
TEST(CalendarText, ReadsAtMost19Characters) {
    struct Row {
        const char *text;
        int32_t result;
        const char *read;
    };
    const Row rows[] = {
        {"2024-01-05 10:20:30 and more", QEL_OK, "2024-01-05 10:20:30"},
        {"2024-01-05  10:20:39", QEL_OK, "2024-01-05 10:20:03"},  // the 20th character cut away
        {"2024/01/05 10:20:30", QEL_ESYSTEM, ""},
        {"", QEL_ESYSTEM, ""},
    };
    for (const auto &row : rows) {
        struct tm tm {};
        char read[32] = "";
        fake_arm();
        EXPECT_EQ(qel_str_to_timetm(row.text, &tm), row.result) << row.text;
        EXPECT_EQ(fake.strptime_len, std::min<size_t>(std::strlen(row.text), 19)) << row.text;
        fake_reset();
        if (row.result == QEL_OK) {
            EXPECT_EQ(std::strftime(read, sizeof read, "%Y-%m-%d %H:%M:%S", &tm), 19U);
        }
        EXPECT_STREQ(read, row.read);
    }
}

}  // namespace
