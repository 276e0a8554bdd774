// What depends on the width of the platform's time_t and long: the device
// has 32-bit ones, this host 64-bit ones. Each test states both outcomes, so
// it bites on whichever build runs it.
#include <gtest/gtest.h>

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

}  // namespace
