// SPDX-License-Identifier: MIT
// Wrap-safe ordering, the range test and the delay checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "fake_platform.h"
#include "qel_time.h"

namespace {

constexpr int64_t kMin = INT64_MIN;
constexpr int64_t kMax = INT64_MAX;

TEST(Ordering, Table) {
    struct Row {
        int64_t a, b;
        int32_t after, before, after_eq, before_eq;
    };
    const Row rows[] = {
        {7, 7, 0, 0, 1, 1},          {8, 7, 1, 0, 1, 0},
        {-1, 1, 0, 1, 0, 1},         {kMin, kMax, 1, 0, 1, 0},  // a just past the wrap is later
        {kMax, kMin, 0, 1, 0, 1},    {0, kMin, 1, 1, 0, 0},     // exactly 2^63 apart: both directions "negative"
        {kMin, 0, 1, 1, 0, 0},       {kMax, -1, 1, 1, 0, 0},
        {0, 0xFFFFFFFF, 0, 1, 0, 1},  // a 32-bit tick counter's wrap is not seen: 0 is earlier
    };
    for (const auto &r : rows) {
        EXPECT_EQ(qel_time_after(r.a, r.b), r.after) << r.a << " " << r.b;
        EXPECT_EQ(qel_time_before(r.a, r.b), r.before) << r.a << " " << r.b;
        EXPECT_EQ(qel_time_after_eq(r.a, r.b), r.after_eq) << r.a << " " << r.b;
        EXPECT_EQ(qel_time_before_eq(r.a, r.b), r.before_eq) << r.a << " " << r.b;
    }
}

// The mirrored pairs agree everywhere, and away from 2^63 apart the tests are
// an ordinary order on the difference.
TEST(Ordering, PairsAgreeOnRandomInputs) {
    std::mt19937_64 rng(20261205);
    for (int i = 0; i < 100000; ++i) {
        const auto a = static_cast<int64_t>(rng());
        const auto b = i % 2 == 0 ? static_cast<int64_t>(rng()) : a + static_cast<int8_t>(rng());
        ASSERT_EQ(qel_time_after(a, b), qel_time_before(b, a));
        ASSERT_EQ(qel_time_after_eq(a, b), qel_time_before_eq(b, a));
        const uint64_t diff = static_cast<uint64_t>(a) - static_cast<uint64_t>(b);
        if (diff == (uint64_t{1} << 63)) continue;
        const auto signed_diff = static_cast<int64_t>(diff);
        ASSERT_EQ(qel_time_after(a, b), signed_diff > 0 ? 1 : 0);
        ASSERT_EQ(qel_time_after_eq(a, b), signed_diff >= 0 ? 1 : 0);
    }
}

TEST(Ordering, InRange) {
    struct Row {
        int64_t t, start, end;
        int32_t in;
    };
    const Row rows[] = {
        {5, 5, 5, 1},
        {10, 6, 10, 1},
        {6, 6, 10, 1},
        {5, 6, 10, 0},
        {11, 6, 10, 0},
        {7, 10, 5, 0},
        {kMin, kMax, kMin + 1, 1},  // across the wrap
    };
    for (const auto &r : rows) {
        EXPECT_EQ(qel_time_in_range(r.t, r.start, r.end), r.in) << r.t << " in " << r.start << ".." << r.end;
    }
}

// Both delay checks against a clock that reads 1000 s (wall) or 500 s (uptime).
TEST(Delay, ElapsedWhenTheClockReachesBasePlusDelay) {
    struct Row {
        bool uptime;
        int64_t base;
        int32_t delay, result;
    };
    const Row rows[] = {
        {false, 990, 10, 1},  {false, 990, 11, 0}, {false, 1000, 0, 1},  {false, 1005, -5, 1},
        {false, 1005, -4, 0}, {false, kMax, 1, 0},  // the deadline wraps to -2^63, 2^63 + 1000 before now
        {true, 400, 100, 1},  {true, 400, 101, 0}, {true, 600, -100, 1}, {true, 600, -99, 0},
    };
    for (const auto &r : rows) {
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_TIME) | FAKE_BIT(FAKE_SYSINFO);
        fake.time_value = 1000;
        fake.uptime_value = 500;
        EXPECT_EQ(r.uptime ? qel_uptime_delay(r.base, r.delay) : qel_time_delay(r.base, r.delay), r.result)
            << r.uptime << " " << r.base << "+" << r.delay;
        EXPECT_EQ(fake.calls[r.uptime ? FAKE_SYSINFO : FAKE_TIME], 1);
    }
    fake_reset();
}

}  // namespace
