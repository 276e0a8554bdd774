// Every function without side effects, called from several threads at once,
// gives the answer it gave on one thread: the converters, the ordering tests,
// the calendar conversions under a fixed TZ, and the clock reads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "qel_time.h"
#include "tz_test_support.hpp"

namespace {

// One pass over a fixed set of inputs; every result goes into a text so that
// two passes compare as one string.
std::string one_pass(int salt) {
    std::string out;
    char buf[256];
    for (int32_t code : qeltest::catalogue_codes()) {
        for (int32_t amount : {30, 60, 90, 120}) {
            const qel_tzset r = qeltest::record(code, (salt + amount) % 3, amount, qeltest::rule(3, 2 + salt % 3, 0, 2),
                                                qeltest::rule(11, 1, 6, 3, 30));
            out += std::to_string(qel_tzset_to_tzstr(&r, buf, sizeof buf)) + buf;
            qel_tzset back{};
            out += std::to_string(qel_tzstr_to_tzset(buf, &back));
            out.append(reinterpret_cast<const char *>(&back), sizeof back);
            out += std::to_string(qel_tzset_to_zicstr(&r, buf, sizeof buf)) + buf;
        }
    }
    for (int64_t a : {INT64_MIN, int64_t{-1}, int64_t{0}, int64_t{7}, INT64_MAX}) {
        for (int64_t b : {INT64_MIN, int64_t{0}, int64_t{7}, INT64_MAX}) {
            out +=
                static_cast<char>('0' + qel_time_after(a, b) + 2 * qel_time_before(a, b) + 4 * qel_time_after_eq(a, b) +
                                  8 * qel_time_before_eq(a, b) + 16 * qel_time_in_range(a, b, INT64_MAX));
        }
    }
    for (int64_t t = 0; t < 2000000000; t += 99999989) {
        struct tm tm {};
        out += std::to_string(qel_time_to_tm(&t, &tm));
        out += std::to_string(qel_time_to_str(&t, buf, sizeof buf)) + buf;
        int64_t back = -1;
        out += std::to_string(qel_str_to_time(buf, &back)) + std::to_string(back);
        out += std::to_string(qel_tm_to_time(&tm, &back)) + std::to_string(back);
        out += std::to_string(qel_str_to_timetm(buf, &tm)) + std::to_string(tm.tm_yday);
    }
    return out;
}

// Clock reads succeed and move forward on every thread.
bool clocks_read() {
    int64_t now = 0, up = 0, ms1 = 0, ms2 = 0, diff = 0;
    struct tm tm {};
    struct timeval tv {};
    struct timespec ts {};
    struct timezone tz {};
    return qel_get_time(&now) == 0 && now > 1600000000 && qel_get_timetm(&tm, 0) == 0 && qel_get_timetm(&tm, 1) == 0 &&
           qel_get_timeval(&tv) == 0 && qel_get_timespec(&ts) == 0 && qel_get_timezone(&tz) == 0 &&
           qel_get_uptime(&up) == 0 && qel_get_uptime_ms(&ms1) == 0 && qel_get_uptime_ms(&ms2) == 0 && ms2 >= ms1 &&
           qel_get_time_diff(&diff) == 0 && (diff == 3600 || diff == 7200) && qel_time_delay(now, -1) == 1 &&
           qel_uptime_delay(up, -1) == 1;
}

TEST(Threads, EveryPureFunctionAgreesWithItsSingleThreadedAnswer) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    const int kThreads = 4;
    std::vector<std::string> expected;
    for (int salt = 0; salt < kThreads; ++salt) expected.push_back(one_pass(salt));

    std::atomic<int> mismatches{0};
    std::atomic<int> clock_failures{0};
    std::vector<std::thread> threads;
    for (int salt = 0; salt < kThreads; ++salt) {
        threads.emplace_back([&, salt] {
            for (int round = 0; round < 200; ++round) {
                if (one_pass(salt) != expected[static_cast<size_t>(salt)]) ++mismatches;
                if (!clocks_read()) ++clock_failures;
            }
        });
    }
    for (auto &t : threads) t.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(clock_failures.load(), 0);
    setenv("TZ", "UTC0", 1);
    tzset();
}

}  // namespace
