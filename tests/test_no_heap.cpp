// Not one heap call from any of the 27 functions. The C library allocates on
// its own first calls (loading the timezone rules for localtime_r and mktime),
// so every function is called once before counting starts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "fake_platform.h"
#include "qel_time.h"

extern "C" {
extern int alloc_counting;
extern long alloc_calls;
}

namespace {

// One call of every exported function; the set calls go to the fake
// platform, which never passes them on.
void call_every_function() {
    int64_t t = 1700000000;
    int64_t out = 0;
    struct tm tm {};
    struct timezone tz {};
    struct timeval tv {};
    struct timespec ts {};
    char buf[256];
    qel_tzset set = {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};

    qel_get_time(&out);
    qel_set_time(&t);
    qel_get_timetm(&tm, 0);
    qel_get_timetm(&tm, 1);
    qel_set_timetm(&tm);
    qel_get_timezone(&tz);
    qel_set_timezone(&tz);
    qel_get_timeval(&tv);
    qel_get_timespec(&ts);
    qel_get_uptime(&out);
    qel_get_uptime_ms(&out);
    qel_time_after(1, 2);
    qel_time_before(1, 2);
    qel_time_after_eq(1, 2);
    qel_time_before_eq(1, 2);
    qel_time_in_range(1, 0, 2);
    qel_time_delay(t, 5);
    qel_uptime_delay(0, 5);
    qel_get_time_diff(&out);
    qel_tm_to_time(&tm, &out);
    qel_time_to_tm(&t, &tm);
    qel_timetm_to_str(&tm, buf, sizeof buf);
    qel_time_to_str(&t, buf, sizeof buf);
    qel_str_to_timetm("2024-01-05 10:20:30", &tm);
    qel_str_to_time("2024-07-05 10:20:30", &out);
    qel_tzset_to_tzstr(&set, buf, sizeof buf);
    qel_tzstr_to_tzset(buf, &set);
    qel_tzset_to_zicstr(&set, buf, sizeof buf);
}

TEST(NoHeap, NoFunctionAllocates) {
    for (const char *zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        setenv("TZ", zone, 1);
        tzset();
        fake_arm();
        call_every_function();  // warms up the C library's timezone state
        alloc_calls = 0;
        alloc_counting = 1;
        for (int i = 0; i < 100; ++i) call_every_function();
        alloc_counting = 0;
        fake_reset();
        EXPECT_EQ(alloc_calls, 0) << zone;
    }
    // The counter itself works: a heap call while counting is seen.
    alloc_counting = 1;
    void *(*volatile allocate)(size_t) = std::malloc;  // a call the compiler cannot drop
    void (*volatile release)(void *) = std::free;
    release(allocate(16));
    alloc_counting = 0;
    EXPECT_EQ(alloc_calls, 2);
}

}  // namespace
