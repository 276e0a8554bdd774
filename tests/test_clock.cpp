// Clock access against the fake platform: argument checks, failures, what the
// set calls are handed, and the arithmetic on raw readings.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

#include "fake_platform.h"
#include "kernel_calls.h"
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

TEST_F(Clock, NullPointersAreRefusedBeforeAnyPlatformCall) {
    const std::function<int32_t()> calls[] = {
        [] { return qel_get_time(nullptr); },      [] { return qel_set_time(nullptr); },
        [] { return qel_get_timetm(nullptr, 0); }, [] { return qel_set_timetm(nullptr); },
        [] { return qel_get_timezone(nullptr); },  [] { return qel_set_timezone(nullptr); },
        [] { return qel_get_timeval(nullptr); },   [] { return qel_get_timespec(nullptr); },
        [] { return qel_get_uptime(nullptr); },    [] { return qel_get_uptime_ms(nullptr); },
    };
    for (size_t i = 0; i < std::size(calls); ++i) {
        fake_arm();
        EXPECT_EQ(calls[i](), QEL_EINVAL) << i;
        EXPECT_EQ(fake_total_calls(), 0) << i;
    }
}

// One row per platform call that can fail under each function: -3, the
// output the library writes itself keeps its value, and no later call is made.
TEST_F(Clock, PlatformFailuresGiveMinusThree) {
    int64_t value = 77;
    struct tm tm_out;
    std::memset(&tm_out, 0x5a, sizeof tm_out);
    const struct tm tm_before = tm_out;
    struct timezone tz {};
    struct timeval tv {};
    struct timespec ts {};
    const int64_t settable = 1000;
    struct tm later {};
    later.tm_year = 100;
    later.tm_mday = 1;
    struct Row {
        const char *name;
        unsigned fail;     // calls that fail
        bool time_before;  // or: the clock reads before the epoch
        std::function<int32_t()> call;
        int not_called;  // a later call that must not be made, or -1
    };
    const Row rows[] = {
        {"get_time/time", FAKE_BIT(FAKE_TIME), false, [&] { return qel_get_time(&value); }, -1},
        {"get_time/before epoch", 0, true, [&] { return qel_get_time(&value); }, -1},
        {"get_timetm/time", FAKE_BIT(FAKE_TIME), false, [&] { return qel_get_timetm(&tm_out, 0); }, FAKE_LOCALTIME_R},
        {"get_timetm/before epoch", 0, true, [&] { return qel_get_timetm(&tm_out, 1); }, FAKE_GMTIME_R},
        {"get_timetm/localtime_r", FAKE_BIT(FAKE_LOCALTIME_R), false, [&] { return qel_get_timetm(&tm_out, 0); }, -1},
        {"get_timetm/gmtime_r", FAKE_BIT(FAKE_GMTIME_R), false, [&] { return qel_get_timetm(&tm_out, 1); }, -1},
        {"set_time/clock_settime", FAKE_BIT(FAKE_CLOCK_SETTIME), false, [&] { return qel_set_time(&settable); }, -1},
        {"set_timetm/mktime", FAKE_BIT(FAKE_MKTIME), false, [&] { return qel_set_timetm(&later); }, FAKE_CLOCK_SETTIME},
        {"set_timetm/clock_settime", FAKE_BIT(FAKE_CLOCK_SETTIME), false, [&] { return qel_set_timetm(&later); }, -1},
        {"get_timezone/gettimeofday", FAKE_BIT(FAKE_GETTIMEOFDAY), false, [&] { return qel_get_timezone(&tz); }, -1},
        {"set_timezone/gettimeofday", FAKE_BIT(FAKE_GETTIMEOFDAY), false, [&] { return qel_set_timezone(&tz); },
         FAKE_SETTIMEOFDAY},
        {"set_timezone/settimeofday", FAKE_BIT(FAKE_SETTIMEOFDAY), false, [&] { return qel_set_timezone(&tz); }, -1},
        {"get_timeval/gettimeofday", FAKE_BIT(FAKE_GETTIMEOFDAY), false, [&] { return qel_get_timeval(&tv); }, -1},
        {"get_timespec/clock_gettime", FAKE_BIT(FAKE_CLOCK_GETTIME), false, [&] { return qel_get_timespec(&ts); }, -1},
        {"get_uptime/sysinfo", FAKE_BIT(FAKE_SYSINFO), false, [&] { return qel_get_uptime(&value); }, -1},
        {"get_uptime_ms/syscall", FAKE_BIT(FAKE_SYSCALL), false, [&] { return qel_get_uptime_ms(&value); }, -1},
    };
    for (const auto &row : rows) {
        fake_arm();
        fake.fail = row.fail;
        if (row.time_before) {
            fake.inject = FAKE_BIT(FAKE_TIME);
            fake.time_value = -1000;
        }
        EXPECT_EQ(row.call(), QEL_ESYSTEM) << row.name;
        EXPECT_EQ(value, 77) << row.name;
        EXPECT_EQ(std::memcmp(&tm_out, &tm_before, sizeof tm_out), 0) << row.name;
        if (row.not_called >= 0) {
            EXPECT_EQ(fake.calls[row.not_called], 0) << row.name;
        }
    }
}

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
    fake.time_value = 86400 * 365;  // 1971-01-01 00:00:00 UTC
    struct tm utc {};
    struct tm local {};
    ASSERT_EQ(qel_get_timetm(&utc, 1), QEL_OK);
    ASSERT_EQ(qel_get_timetm(&local, 0), QEL_OK);
    EXPECT_EQ(utc.tm_year, 71);
    EXPECT_EQ(utc.tm_hour * 60 + utc.tm_min, 0);
    EXPECT_EQ(local.tm_hour * 60 + local.tm_min, 5 * 60 + 45);
    EXPECT_EQ(local.tm_gmtoff, 20700);
    EXPECT_STREQ(local.tm_zone, "NPT");
    for (uint32_t mode : {2U, 4U, 0xFFFFFFFFU}) {
        fake_arm();
        EXPECT_EQ(qel_get_timetm(&utc, mode), QEL_EINVAL) << mode;
        EXPECT_EQ(fake_total_calls(), 0);
    }
}

TEST_F(Clock, SetTimetmAcceptsTheEpochNotBefore) {
    struct tm epoch {};
    epoch.tm_year = 70;
    epoch.tm_mday = 1;
    ASSERT_EQ(qel_set_timetm(&epoch), QEL_OK);
    EXPECT_EQ(fake.settime_value.tv_sec, 0);
    EXPECT_EQ(fake.settime_value.tv_nsec, 0);
    EXPECT_EQ(epoch.tm_wday, 4);  // normalised in place: a Thursday

    fake_arm();
    struct tm before = epoch;
    before.tm_sec = -1;
    EXPECT_EQ(qel_set_timetm(&before), QEL_ESYSTEM);
    EXPECT_EQ(fake.calls[FAKE_CLOCK_SETTIME], 0);
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
        EXPECT_EQ(fake.syscall_number, QEL_SYS_CLOCK_GETTIME);
        EXPECT_EQ(fake.syscall_clock, 4);
#if defined(__ARM_EABI__)
        EXPECT_EQ(fake.syscall_number, 263);
#endif
    }
}

// Without injection the real clocks are read, into the caller's structures.
TEST_F(Clock, RealReadsPassThrough) {
    struct timeval tv {};
    struct timespec ts {};
    struct timezone tz = {12345, 0};
    ASSERT_EQ(qel_get_timeval(&tv), QEL_OK);
    ASSERT_EQ(qel_get_timespec(&ts), QEL_OK);
    ASSERT_EQ(qel_get_timezone(&tz), QEL_OK);
    EXPECT_GT(tv.tv_sec, 1600000000);
    EXPECT_GT(ts.tv_sec, 1600000000);
    EXPECT_NE(tz.tz_minuteswest, 12345);  // overwritten by the kernel

    int64_t ms = 0;
    ASSERT_EQ(qel_get_uptime_ms(&ms), QEL_OK);
    struct timespec raw {};
    ASSERT_EQ(clock_gettime(CLOCK_MONOTONIC_RAW, &raw), 0);
    const int64_t libc_ms = int64_t{raw.tv_sec} * 1000 + raw.tv_nsec / 1000000;
    EXPECT_LE(ms, libc_ms);
    EXPECT_GT(ms, libc_ms - 1000);
}

}  // namespace
