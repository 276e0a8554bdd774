// Clock access against the fake platform: argument checks, failures, what the
// set calls are handed, and the arithmetic on raw readings.
#include <gtest/gtest.h>
#include <sys/syscall.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "fake_platform.h"
#include "qel_time.h"

namespace {

class Clock : public ::testing::Test {
  protected:
    void SetUp() override { fake_arm(); }
    void TearDown() override { fake_reset(); }
};

struct NamedCall {
    const char *name;
    std::function<int32_t()> call;
};

// Every pointer argument of every clock function, given as null.
TEST_F(Clock, NullPointersAreRefusedBeforeAnyPlatformCall) {
    const NamedCall rows[] = {
        {"get_time", [] { return qel_get_time(nullptr); }},
        {"set_time", [] { return qel_set_time(nullptr); }},
        {"get_timetm", [] { return qel_get_timetm(nullptr, 0); }},
        {"set_timetm", [] { return qel_set_timetm(nullptr); }},
        {"get_timezone", [] { return qel_get_timezone(nullptr); }},
        {"set_timezone", [] { return qel_set_timezone(nullptr); }},
        {"get_timeval", [] { return qel_get_timeval(nullptr); }},
        {"get_timespec", [] { return qel_get_timespec(nullptr); }},
        {"get_uptime", [] { return qel_get_uptime(nullptr); }},
        {"get_uptime_ms", [] { return qel_get_uptime_ms(nullptr); }},
    };
    for (const auto &row : rows) {
        fake_arm();
        EXPECT_EQ(row.call(), QEL_EINVAL) << row.name;
        EXPECT_EQ(fake_total_calls(), 0) << row.name;
    }
}

// One row per platform call that can fail under each function: -3, and the
// output that the library writes itself keeps its former value.
TEST_F(Clock, PlatformFailuresGiveMinusThreeAndLeaveOutputs) {
    struct Row {
        const char *name;
        unsigned fail;
        std::function<int32_t()> call;
        std::function<bool()> output_kept;
    };
    int64_t value = 77;
    struct tm tm_out;
    std::memset(&tm_out, 0x5a, sizeof tm_out);
    const struct tm tm_before = tm_out;
    auto tm_kept = [&] { return std::memcmp(&tm_out, &tm_before, sizeof tm_out) == 0; };
    auto value_kept = [&] { return value == 77; };
    auto nothing = [] { return true; };
    struct timezone tz {};
    struct timeval tv {};
    struct timespec ts {};
    const int64_t settable = 1000;
    struct tm later {};
    later.tm_year = 100;
    later.tm_mday = 1;

    const Row rows[] = {
        {"get_time/time", FAKE_BIT(FAKE_TIME), [&] { return qel_get_time(&value); }, value_kept},
        {"get_timetm/time", FAKE_BIT(FAKE_TIME), [&] { return qel_get_timetm(&tm_out, 0); }, tm_kept},
        {"get_timetm/localtime_r", FAKE_BIT(FAKE_LOCALTIME_R), [&] { return qel_get_timetm(&tm_out, 0); }, tm_kept},
        {"get_timetm/gmtime_r", FAKE_BIT(FAKE_GMTIME_R), [&] { return qel_get_timetm(&tm_out, 1); }, tm_kept},
        {"set_time/clock_settime", FAKE_BIT(FAKE_CLOCK_SETTIME), [&] { return qel_set_time(&settable); }, nothing},
        {"set_timetm/mktime", FAKE_BIT(FAKE_MKTIME), [&] { return qel_set_timetm(&later); }, nothing},
        {"set_timetm/clock_settime", FAKE_BIT(FAKE_CLOCK_SETTIME), [&] { return qel_set_timetm(&later); }, nothing},
        {"get_timezone/gettimeofday", FAKE_BIT(FAKE_GETTIMEOFDAY), [&] { return qel_get_timezone(&tz); }, nothing},
        {"set_timezone/gettimeofday", FAKE_BIT(FAKE_GETTIMEOFDAY), [&] { return qel_set_timezone(&tz); }, nothing},
        {"set_timezone/settimeofday", FAKE_BIT(FAKE_SETTIMEOFDAY), [&] { return qel_set_timezone(&tz); }, nothing},
        {"get_timeval/gettimeofday", FAKE_BIT(FAKE_GETTIMEOFDAY), [&] { return qel_get_timeval(&tv); }, nothing},
        {"get_timespec/clock_gettime", FAKE_BIT(FAKE_CLOCK_GETTIME), [&] { return qel_get_timespec(&ts); }, nothing},
        {"get_uptime/sysinfo", FAKE_BIT(FAKE_SYSINFO), [&] { return qel_get_uptime(&value); }, value_kept},
        {"get_uptime_ms/syscall", FAKE_BIT(FAKE_SYSCALL), [&] { return qel_get_uptime_ms(&value); }, value_kept},
    };
    for (const auto &row : rows) {
        fake_arm();
        fake.fail = row.fail;
        EXPECT_EQ(row.call(), QEL_ESYSTEM) << row.name;
        EXPECT_TRUE(row.output_kept()) << row.name;
    }
}

// A clock that reads before the epoch counts as a failed read.
TEST_F(Clock, NegativeTimeIsFailure) {
    fake.inject = FAKE_BIT(FAKE_TIME);
    fake.time_value = -1000;
    int64_t value = 5;
    struct tm tm_out {};
    EXPECT_EQ(qel_get_time(&value), QEL_ESYSTEM);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(qel_get_timetm(&tm_out, 1), QEL_ESYSTEM);
    EXPECT_EQ(fake.calls[FAKE_GMTIME_R], 0);
}

// The platform is asked in the documented order and no later call is made
// after a failure.
TEST_F(Clock, CallOrder) {
    struct timezone tz {};
    ASSERT_EQ(qel_set_timezone(&tz), QEL_OK);
    ASSERT_EQ(fake.log_len, 2);
    EXPECT_EQ(fake.log[0], FAKE_GETTIMEOFDAY);
    EXPECT_EQ(fake.log[1], FAKE_SETTIMEOFDAY);

    fake_arm();
    fake.fail = FAKE_BIT(FAKE_GETTIMEOFDAY);
    EXPECT_EQ(qel_set_timezone(&tz), QEL_ESYSTEM);
    EXPECT_EQ(fake.calls[FAKE_SETTIMEOFDAY], 0);

    fake_arm();
    fake.fail = FAKE_BIT(FAKE_MKTIME);
    struct tm tm_in {};
    tm_in.tm_year = 100;
    EXPECT_EQ(qel_set_timetm(&tm_in), QEL_ESYSTEM);
    EXPECT_EQ(fake.calls[FAKE_CLOCK_SETTIME], 0);
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
        {2147483648LL, QEL_EINVAL},  // low 32 bits negative
        {4294967295LL, QEL_EINVAL},
        {4294967296LL, QEL_EINVAL},  // low 32 bits zero
        {1, QEL_OK},
        {2147483647LL, QEL_OK},
        {1700000000LL, QEL_OK},
        {4294967297LL, QEL_OK},  // low 32 bits 1
    };
    for (const auto &row : rows) {
        fake_arm();
        const int64_t value = row.value;
        EXPECT_EQ(qel_set_time(&value), row.result) << row.value;
        if (row.result != QEL_OK) {
            EXPECT_EQ(fake_total_calls(), 0) << row.value;
            continue;
        }
        ASSERT_EQ(fake.calls[FAKE_CLOCK_SETTIME], 1);
        EXPECT_EQ(fake.settime_clock, CLOCK_REALTIME);
        EXPECT_EQ(fake.settime_value.tv_nsec, 0);
        // A 32-bit time_t gets the low 32 bits; a 64-bit one the whole value.
        const int64_t expected =
            sizeof(time_t) < 8 ? int64_t{static_cast<int32_t>(static_cast<uint32_t>(value))} : value;
        EXPECT_EQ(static_cast<int64_t>(fake.settime_value.tv_sec), expected) << row.value;
    }
}

TEST_F(Clock, GetTimeSignExtendsAndCopies) {
    const time_t readings[] = {0, 1, 1700000000, INT32_MAX};
    for (time_t reading : readings) {
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_TIME);
        fake.time_value = reading;
        int64_t value = -5;
        ASSERT_EQ(qel_get_time(&value), QEL_OK);
        EXPECT_EQ(value, static_cast<int64_t>(reading));
        EXPECT_EQ(fake.log[0], FAKE_TIME);
    }
}

TEST_F(Clock, GetTimetmModes) {
    ASSERT_EQ(setenv("TZ", "NPT-5:45", 1), 0);
    tzset();
    fake.inject = FAKE_BIT(FAKE_TIME);
    fake.time_value = 86400 * 365;  // 1971-01-01 00:00:00 UTC
    struct tm tm_out {};
    ASSERT_EQ(qel_get_timetm(&tm_out, 1), QEL_OK);
    EXPECT_EQ(tm_out.tm_year, 71);
    EXPECT_EQ(tm_out.tm_hour, 0);
    EXPECT_EQ(tm_out.tm_gmtoff, 0);
    ASSERT_EQ(qel_get_timetm(&tm_out, 0), QEL_OK);
    EXPECT_EQ(tm_out.tm_hour, 5);
    EXPECT_EQ(tm_out.tm_min, 45);
    EXPECT_EQ(tm_out.tm_gmtoff, 20700);
    EXPECT_STREQ(tm_out.tm_zone, "NPT");

    const uint32_t bad_modes[] = {2, 4, 0xFFFFFFFFu};
    for (uint32_t mode : bad_modes) {
        fake_arm();
        EXPECT_EQ(qel_get_timetm(&tm_out, mode), QEL_EINVAL) << mode;
        EXPECT_EQ(fake_total_calls(), 0);
    }
    ASSERT_EQ(setenv("TZ", "UTC0", 1), 0);
    tzset();
}

TEST_F(Clock, SetTimetmAcceptsTheEpochNotBefore) {
    ASSERT_EQ(setenv("TZ", "UTC0", 1), 0);
    tzset();
    struct tm epoch {};
    epoch.tm_year = 70;
    epoch.tm_mday = 1;
    ASSERT_EQ(qel_set_timetm(&epoch), QEL_OK);
    EXPECT_EQ(fake.settime_value.tv_sec, 0);
    EXPECT_EQ(fake.settime_value.tv_nsec, 0);
    EXPECT_EQ(epoch.tm_wday, 4);  // normalised in place: a Thursday

    fake_arm();
    struct tm before {};
    before.tm_year = 69;
    before.tm_mon = 11;
    before.tm_mday = 31;
    before.tm_hour = 23;
    EXPECT_EQ(qel_set_timetm(&before), QEL_ESYSTEM);
    EXPECT_EQ(fake.calls[FAKE_CLOCK_SETTIME], 0);
}

TEST_F(Clock, SetTimezoneWritesBackTheTimeItRead) {
    fake.inject = FAKE_BIT(FAKE_GETTIMEOFDAY);
    fake.tv_value.tv_sec = 1234567890;
    fake.tv_value.tv_usec = 654321;
    struct timezone tz {};
    tz.tz_minuteswest = -60;
    tz.tz_dsttime = 1;
    ASSERT_EQ(qel_set_timezone(&tz), QEL_OK);
    EXPECT_EQ(fake.settod_tv.tv_sec, 1234567890);
    EXPECT_EQ(fake.settod_tv.tv_usec, 654321);
    EXPECT_EQ(fake.settod_tz.tz_minuteswest, -60);
    EXPECT_EQ(fake.settod_tz.tz_dsttime, 1);
}

TEST_F(Clock, ReadsPassThroughTheCallersStructures) {
    struct timeval tv {};
    struct timespec ts {};
    struct timezone tz;
    tz.tz_minuteswest = 12345;
    ASSERT_EQ(qel_get_timeval(&tv), QEL_OK);
    ASSERT_EQ(qel_get_timespec(&ts), QEL_OK);
    ASSERT_EQ(qel_get_timezone(&tz), QEL_OK);
    EXPECT_GT(tv.tv_sec, 1600000000);  // filled by the real clock
    EXPECT_GT(ts.tv_sec, 1600000000);
    EXPECT_NE(tz.tz_minuteswest, 12345);  // overwritten by the kernel
    EXPECT_EQ(fake.calls[FAKE_GETTIMEOFDAY], 2);
    EXPECT_EQ(fake.calls[FAKE_CLOCK_GETTIME], 1);
}

TEST_F(Clock, UptimeIsSignExtendedSeconds) {
    const long readings[] = {0, 500, LONG_MAX, -1};
    for (long reading : readings) {
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_SYSINFO);
        fake.uptime_value = reading;
        int64_t up = 0;
        ASSERT_EQ(qel_get_uptime(&up), QEL_OK);
        EXPECT_EQ(up, static_cast<int64_t>(reading));
    }
}

TEST_F(Clock, UptimeMsArithmeticOnTheRawClock) {
    struct Row {
        long sec, nsec;
        int64_t ms;
    };
    const Row rows[] = {
        {12, 999999999, 12999},
        {0, 999999, 0},
        {0, 1000000, 1},
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
        EXPECT_EQ(fake.syscall_number, SYS_clock_gettime);
        EXPECT_EQ(fake.syscall_clock, 4);
    }
}

// Without injection the raw clock is really read and moves forward.
TEST_F(Clock, UptimeMsReadsTheRealRawClock) {
    int64_t first = 0;
    int64_t second = 0;
    ASSERT_EQ(qel_get_uptime_ms(&first), QEL_OK);
    struct timespec pause {
        0, 3000000
    };
    nanosleep(&pause, nullptr);
    ASSERT_EQ(qel_get_uptime_ms(&second), QEL_OK);
    EXPECT_GE(second - first, 3);
    EXPECT_GT(first, 0);
}

}  // namespace
