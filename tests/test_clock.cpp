// Clock access against the fake platform: every failure of every function,
// what the set calls are handed, and the arithmetic on raw readings. The
// kernel calls themselves (call numbers, the kernel's timezone) are checked
// by tests/c/clock_fake_test.c, which runs on every C library.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

#include "fake_platform.h"
#include "qel_time.h"

namespace {

class Clock : public ::testing::Test {
  protected:
    void SetUp() override { fake_arm(); }
    void TearDown() override {
        fake_reset();
        setenv("TZ", "UTC0", 1);
        tzset();
    }
};

// The result codes are part of the binary interface.
// NOLINTBEGIN(misc-redundant-expression): each comparison is of two constants
static_assert(QEL_OK == 0 && QEL_EINVAL == -2 && QEL_ESYSTEM == -3 && QEL_ENESTED == -4, "result codes");
// NOLINTEND(misc-redundant-expression)

// A row of the failure table: the calls that fail (kBeforeEpoch: the clock
// reads before the epoch), the call, its result, and a later platform call
// that must not be made (-1: none to name).
constexpr unsigned kBeforeEpoch = 1U << 31;
// clang-format off
#define ROW(fail, call, result, not_called) {#call, fail, [&] { return call; }, result, not_called}
// clang-format on

// Every way a function fails: a null pointer gives -2 before any platform
// call; a failing platform call -3 from the function that makes it, -4 from a
// composite around it. The outputs keep their values, and no later call is made.
TEST_F(Clock, EveryFailure) {
    int64_t value = 77;  // an input to some rows, an output of others
    struct tm tm_out;
    std::memset(&tm_out, 0x5a, sizeof tm_out);
    const struct tm tm_before = tm_out;
    struct timezone tz {};
    struct timeval tv {};
    struct timespec ts {};
    char buf[32];
    const char *text = "2024-01-05 10:20:30";
    const int64_t settable = 1000;
    struct tm later {};
    later.tm_year = 100;
    later.tm_mday = 1;
    struct tm before_epoch {};
    before_epoch.tm_year = 70;
    before_epoch.tm_mday = 1;
    before_epoch.tm_sec = -1;
    struct Row {
        const char *name;
        unsigned fail;
        std::function<int32_t()> call;
        int32_t result;
        int not_called;
    };
    const int32_t E2 = QEL_EINVAL, E3 = QEL_ESYSTEM, E4 = QEL_ENESTED;
    const unsigned kTime = FAKE_BIT(FAKE_TIME), kLocaltime = FAKE_BIT(FAKE_LOCALTIME_R),
                   kMktime = FAKE_BIT(FAKE_MKTIME);
    const unsigned kGettimeofday = FAKE_BIT(FAKE_GETTIMEOFDAY), kStrftime = FAKE_BIT(FAKE_STRFTIME);
    const unsigned kStrptime = FAKE_BIT(FAKE_STRPTIME), kSettime = FAKE_BIT(FAKE_CLOCK_SETTIME);
    const Row rows[] = {
        ROW(0, qel_get_time(nullptr), E2, -1),
        ROW(0, qel_set_time(nullptr), E2, -1),
        ROW(0, qel_get_timetm(nullptr, 0), E2, -1),
        ROW(0, qel_get_timetm(&tm_out, 2), E2, -1),
        ROW(0, qel_get_timetm(&tm_out, 4), E2, -1),
        ROW(0, qel_get_timetm(&tm_out, 0xFFFFFFFFU), E2, -1),
        ROW(0, qel_set_timetm(nullptr), E2, -1),
        ROW(0, qel_get_timezone(nullptr), E2, -1),
        ROW(0, qel_set_timezone(nullptr), E2, -1),
        ROW(0, qel_get_timeval(nullptr), E2, -1),
        ROW(0, qel_get_timespec(nullptr), E2, -1),
        ROW(0, qel_get_uptime(nullptr), E2, -1),
        ROW(0, qel_get_uptime_ms(nullptr), E2, -1),
        ROW(0, qel_get_time_diff(nullptr), E2, -1),
        ROW(0, qel_tm_to_time(nullptr, &value), E2, -1),
        ROW(0, qel_tm_to_time(&later, nullptr), E2, -1),
        ROW(0, qel_time_to_tm(nullptr, &tm_out), E2, -1),
        ROW(0, qel_time_to_tm(&value, nullptr), E2, -1),
        ROW(0, qel_timetm_to_str(nullptr, buf, sizeof buf), E2, -1),
        ROW(0, qel_timetm_to_str(&later, nullptr, sizeof buf), E2, -1),
        ROW(0, qel_time_to_str(nullptr, buf, sizeof buf), E2, -1),
        ROW(0, qel_time_to_str(&value, nullptr, sizeof buf), E2, -1),
        ROW(0, qel_str_to_timetm(nullptr, &tm_out), E2, -1),
        ROW(0, qel_str_to_timetm(text, nullptr), E2, -1),
        ROW(0, qel_str_to_time(nullptr, &value), E2, -1),
        ROW(0, qel_str_to_time(text, nullptr), E2, -1),
        ROW(kTime, qel_get_time(&value), E3, -1),
        ROW(kBeforeEpoch, qel_get_time(&value), E3, -1),
        ROW(kTime, qel_get_timetm(&tm_out, 0), E3, FAKE_LOCALTIME_R),
        ROW(kBeforeEpoch, qel_get_timetm(&tm_out, 1), E3, FAKE_GMTIME_R),
        ROW(kLocaltime, qel_get_timetm(&tm_out, 0), E3, -1),
        ROW(FAKE_BIT(FAKE_GMTIME_R), qel_get_timetm(&tm_out, 1), E3, -1),
        ROW(kSettime, qel_set_time(&settable), E3, -1),
        ROW(kMktime, qel_set_timetm(&later), E3, FAKE_CLOCK_SETTIME),
        ROW(0, qel_set_timetm(&before_epoch), E3, FAKE_CLOCK_SETTIME),
        ROW(kSettime, qel_set_timetm(&later), E3, -1),
        ROW(kGettimeofday, qel_get_timezone(&tz), E3, -1),
        ROW(kGettimeofday, qel_set_timezone(&tz), E3, FAKE_SETTIMEOFDAY),
        ROW(FAKE_BIT(FAKE_SETTIMEOFDAY), qel_set_timezone(&tz), E3, -1),
        ROW(kGettimeofday, qel_get_timeval(&tv), E3, -1),
        ROW(FAKE_BIT(FAKE_CLOCK_GETTIME), qel_get_timespec(&ts), E3, -1),
        ROW(FAKE_BIT(FAKE_SYSINFO), qel_get_uptime(&value), E3, -1),
        ROW(FAKE_BIT(FAKE_SYSCALL), qel_get_uptime_ms(&value), E3, -1),
        ROW(kTime, qel_time_delay(0, 0), E4, -1),
        ROW(kBeforeEpoch, qel_time_delay(0, 0), E4, -1),
        ROW(FAKE_BIT(FAKE_SYSINFO), qel_uptime_delay(0, 0), E4, -1),
        ROW(kTime, qel_get_time_diff(&value), E3, FAKE_LOCALTIME_R),
        ROW(kLocaltime, qel_get_time_diff(&value), E3, -1),
        ROW(kLocaltime, qel_time_to_tm(&value, &tm_out), E3, -1),
        ROW(kLocaltime, qel_time_to_str(&value, buf, sizeof buf), E4, FAKE_STRFTIME),
        ROW(kStrftime, qel_timetm_to_str(&tm_out, buf, sizeof buf), E3, -1),
        ROW(kStrftime, qel_time_to_str(&value, buf, sizeof buf), E4, -1),
        ROW(kStrptime, qel_str_to_timetm(text, &tm_out), E3, -1),
        ROW(kStrptime, qel_str_to_time(text, &value), E4, FAKE_MKTIME),
        ROW(kMktime, qel_tm_to_time(&tm_out, &value), E3, -1),
        ROW(kMktime, qel_str_to_time(text, &value), E4, -1),
    };
    for (const auto &row : rows) {
        fake_arm();
        fake.fail = row.fail & ~kBeforeEpoch;
        if ((row.fail & kBeforeEpoch) != 0) {
            fake.inject = FAKE_BIT(FAKE_TIME);
            fake.time_value = -1000;
        }
        EXPECT_EQ(row.call(), row.result) << row.name;
        EXPECT_EQ(value, 77) << row.name;
        EXPECT_EQ(std::memcmp(&tm_out, &tm_before, sizeof tm_out), 0) << row.name;
        EXPECT_TRUE(row.result != QEL_EINVAL || fake_total_calls() == 0) << row.name;
        EXPECT_TRUE(row.not_called < 0 || fake.calls[row.not_called] == 0) << row.name;
    }
}
#undef ROW

TEST_F(Clock, SetTimeAcceptsOnlyValuesPositiveInTheirLow32Bits) {
    struct Row {
        int64_t value;
        int32_t result;
    };
    const Row rows[] = {
        {0, QEL_EINVAL},
        {-1, QEL_EINVAL},
        {INT64_MIN, QEL_EINVAL},
        {-4294967295LL, QEL_EINVAL},  // negative, its low 32 bits 1
        {2147483648LL, QEL_EINVAL},   // low 32 bits negative
        {4294967295LL, QEL_EINVAL},
        {4294967296LL, QEL_EINVAL},  // low 32 bits zero
        {1, QEL_OK},
        {2147483647LL, QEL_OK},
        {4294967297LL, QEL_OK},  // low 32 bits 1
    };
    for (const auto &row : rows) {
        fake_arm();
        EXPECT_EQ(qel_set_time(&row.value), row.result) << row.value;
        if (row.result != QEL_OK) {
            EXPECT_EQ(fake_total_calls(), 0) << row.value;
            continue;
        }
        ASSERT_EQ(fake.calls[FAKE_CLOCK_SETTIME], 1);
        EXPECT_EQ(fake.settime_clock, CLOCK_REALTIME);
        EXPECT_EQ(fake.settime_value.tv_nsec, 0);
        // A 32-bit time_t gets the low 32 bits; a 64-bit one the whole value.
        const int64_t expected =
            sizeof(time_t) < 8 ? int64_t{static_cast<int32_t>(static_cast<uint32_t>(row.value))} : row.value;
        EXPECT_EQ(static_cast<int64_t>(fake.settime_value.tv_sec), expected) << row.value;
    }
}

// Readings of the platform's time_t and long, near and past 2^31 on a 32-bit
// device, are sign-extended.
TEST_F(Clock, ReadingsAreSignExtended) {
    const long readings[] = {0, 1, 1700000000, INT32_MAX, -1, LONG_MAX};
    for (long reading : readings) {
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_TIME) | FAKE_BIT(FAKE_SYSINFO);
        fake.time_value = static_cast<time_t>(reading);
        fake.uptime_value = reading;
        int64_t now = -5;
        int64_t up = -5;
        EXPECT_EQ(qel_get_time(&now), reading < 0 ? QEL_ESYSTEM : QEL_OK);
        if (reading >= 0) {
            EXPECT_EQ(now, int64_t{reading});
        }
        ASSERT_EQ(qel_get_uptime(&up), QEL_OK);
        EXPECT_EQ(up, int64_t{reading});
    }
}

TEST_F(Clock, GetTimetmModes) {
    ASSERT_EQ(setenv("TZ", "NPT-5:45", 1), 0);
    tzset();
    fake.inject = FAKE_BIT(FAKE_TIME);
    fake.time_value = 86400L * 365;  // 1971-01-01 00:00:00 UTC
    struct tm utc {};
    struct tm local {};
    ASSERT_EQ(qel_get_timetm(&utc, 1), QEL_OK);
    ASSERT_EQ(qel_get_timetm(&local, 0), QEL_OK);
    EXPECT_EQ(utc.tm_year, 71);
    EXPECT_EQ(utc.tm_hour * 60 + utc.tm_min, 0);
    EXPECT_EQ(local.tm_hour * 60 + local.tm_min, 5 * 60 + 45);
    EXPECT_EQ(local.tm_gmtoff, 20700);
    EXPECT_STREQ(local.tm_zone, "NPT");
}

TEST_F(Clock, SetTimetmAcceptsTheEpoch) {
    struct tm epoch {};
    epoch.tm_year = 70;
    epoch.tm_mday = 1;
    ASSERT_EQ(qel_set_timetm(&epoch), QEL_OK);
    EXPECT_EQ(fake.settime_value.tv_sec, 0);
    EXPECT_EQ(fake.settime_value.tv_nsec, 0);
    EXPECT_EQ(epoch.tm_wday, 4);  // normalised in place: a Thursday
}

TEST_F(Clock, UptimeMsArithmeticOnTheRawClock) {
    struct Row {
        long sec, nsec;
        int64_t ms;
    };
    const Row rows[] = {
        {12, 999999999, 12999},
        {0, 999999, 0},
        {3000000, 0, 3000000000LL},  // overflows a 32-bit product
        {INT32_MAX, 999999999, int64_t{INT32_MAX} * 1000 + 999},
        {-1, -1500000, -1001},  // division truncates toward zero
    };
    for (const auto &row : rows) {
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_SYSCALL);
        fake.raw_sec = row.sec;
        fake.raw_nsec = row.nsec;
        int64_t ms = 0;
        ASSERT_EQ(qel_get_uptime_ms(&ms), QEL_OK);
        EXPECT_EQ(ms, row.ms) << row.sec << "s " << row.nsec << "ns";
    }
}

// Without injection the real clocks are read, into the caller's structures.
TEST_F(Clock, RealReadsPassThrough) {
    struct timeval tv {};
    struct timespec ts {};
    ASSERT_EQ(qel_get_timeval(&tv), QEL_OK);
    ASSERT_EQ(qel_get_timespec(&ts), QEL_OK);
    EXPECT_GT(tv.tv_sec, 1600000000);
    EXPECT_GT(ts.tv_sec, 1600000000);

    int64_t ms = 0;
    ASSERT_EQ(qel_get_uptime_ms(&ms), QEL_OK);
    struct timespec raw {};
    ASSERT_EQ(clock_gettime(CLOCK_MONOTONIC_RAW, &raw), 0);
    const int64_t libc_ms = int64_t{raw.tv_sec} * 1000 + raw.tv_nsec / 1000000;
    EXPECT_LE(ms, libc_ms);
    EXPECT_GT(ms, libc_ms - 1000);
}

}  // namespace
