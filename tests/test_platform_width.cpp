// What depends on the width of the platform's time_t and long: the device
// has 32-bit ones, this host 64-bit ones. Each test states both outcomes, so
// it bites on whichever build runs it.
#include <gtest/gtest.h>
#include <sys/syscall.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "fake_platform.h"
#include "qel_time.h"

namespace {

constexpr bool kTime32 = sizeof(time_t) == 4;

#ifdef QEL_EXPECT_TIME_BITS
TEST(PlatformWidth, TimeTHasTheWidthTheBuildPromises) {
    EXPECT_EQ(sizeof(time_t) * 8, static_cast<size_t>(QEL_EXPECT_TIME_BITS));
}
#endif

class PlatformWidthUtc : public ::testing::Test {
  protected:
    void SetUp() override {
        fake_reset();
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    void TearDown() override { fake_reset(); }
};

// time_to_tm hands a 32-bit platform the low 32 bits of the value, read as a
// signed number; a 64-bit one gets the whole value.
TEST_F(PlatformWidthUtc, TimeToTmHandsOnTheLow32BitsOnlyWhereTimeTIs32Bits) {
    struct Row {
        int64_t value;
        int year32, mday32, hour32;  // what a 32-bit time_t gives
        int year64, mday64, hour64;  // what a 64-bit time_t gives
    };
    const Row rows[] = {
        {(int64_t{1} << 32) + 86400, 70, 2, 0, 206, 8, 6},  // 1970-01-02 / 2106-02-08
        {4294967295LL, 69, 31, 23, 206, 7, 6},              // -1: 1969-12-31 23:59:59 / 2106-02-07
        {2147483648LL, 1, 13, 20, 138, 19, 3},              // -2^31: 1901-12-13 / 2038-01-19
    };
    for (const auto &row : rows) {
        struct tm tm {};
        ASSERT_EQ(qel_time_to_tm(&row.value, &tm), QEL_OK) << row.value;
        EXPECT_EQ(tm.tm_year, kTime32 ? row.year32 : row.year64) << row.value;
        EXPECT_EQ(tm.tm_mday, kTime32 ? row.mday32 : row.mday64) << row.value;
        EXPECT_EQ(tm.tm_hour, kTime32 ? row.hour32 : row.hour64) << row.value;
    }
}

// Readings near and past 2^31 from the platform are sign-extended.
TEST_F(PlatformWidthUtc, ReadingsAreSignExtended) {
    fake_arm();
    fake.inject = FAKE_BIT(FAKE_TIME) | FAKE_BIT(FAKE_SYSINFO);
    fake.time_value = static_cast<time_t>(INT32_MAX);
    fake.uptime_value = -2;
    int64_t now = 0;
    int64_t up = 0;
    ASSERT_EQ(qel_get_time(&now), QEL_OK);
    ASSERT_EQ(qel_get_uptime(&up), QEL_OK);
    EXPECT_EQ(now, INT32_MAX);
    EXPECT_EQ(up, -2);  // not 4294967294
}

// The raw clock is read with the clock_gettime system call; its number is
// 263 on the 32-bit ARM EABI.
TEST_F(PlatformWidthUtc, RawClockSystemCall) {
    fake_arm();
    int64_t ms = 0;
    ASSERT_EQ(qel_get_uptime_ms(&ms), QEL_OK);
    EXPECT_EQ(fake.syscall_number, SYS_clock_gettime);
    EXPECT_EQ(fake.syscall_clock, 4);
#if defined(__ARM_EABI__)
    EXPECT_EQ(fake.syscall_number, 263);
#endif
    // The real raw clock agrees with the C library's reading of it.
    struct timespec ts {};
    ASSERT_EQ(clock_gettime(CLOCK_MONOTONIC_RAW, &ts), 0);
    const int64_t lib_ms = int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
    EXPECT_LE(ms, lib_ms);
    EXPECT_GT(ms, lib_ms - 1000);
}

}  // namespace
