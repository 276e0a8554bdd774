/* SPDX-License-Identifier: MIT */
/* The clock functions against the fake platform, in C, so that they run on
 * every C library the device may carry (musl too, where GoogleTest cannot be
 * built) and at both widths of time_t: every failure of every function; the
 * kernel's timezone read and handed on through the kernel's own calls; the
 * raw clock read through the 32-bit clock_gettime call; platform counts
 * widened with their sign; a set and time_to_tm handing on the low 32 bits of
 * a value only where time_t is 32 bits; and unfaked reads agreeing with the C
 * library's own clocks. Prints "N passed, N failed". */
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "fake_platform.h"
#include "kernel_calls.h"
#include "qel_time.h"

static int passed, failed;

/* Counts a check; a failed one is printed with the value of its row. */
static void check(int ok, const char *what, long long row) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAILED: %s (%lld)\n", what, row);
    }
}

#define COUNT(table) (sizeof(table) / sizeof((table)[0]))

/* Whether the platform call fn (-1: none to name) was not made. */
static int not_made(int fn) { return fn < 0 || fake.calls[fn] == 0; }

/* Whether a structure that memset filled whole, padding too, still holds
 * what it did. */
static int kept(const struct tm *now, const struct tm *before) {
    /* NOLINTNEXTLINE(bugprone-suspicious-memory-comparison,cert-exp42-c,cert-flp37-c) */
    return memcmp(now, before, sizeof *now) == 0;
}

/* Arms the fake with the platform calls that fail; BEFORE_EPOCH: the clock
 * reads before the epoch instead. */
#define BEFORE_EPOCH (1U << 31)
static void arm_failing(unsigned fails) {
    fake_arm();
    fake.fail = fails & ~BEFORE_EPOCH;
    if ((fails & BEFORE_EPOCH) != 0) {
        fake.inject = FAKE_BIT(FAKE_TIME);
        fake.time_value = -1000;
    }
}

/* A row of the failure table: the platform calls that fail, the call, its
 * result, and a later platform call that must not be made. The outputs keep
 * their values, and -2 comes before any platform call. */
#define FAILS(fails, call, result, not_called)                                                 \
    do {                                                                                       \
        arm_failing(fails);                                                                    \
        check((call) == (result) && value == 77 && kept(&tm_out, &tm_before) &&                \
                  ((result) != QEL_EINVAL || fake_total_calls() == 0) && not_made(not_called), \
              #call, (long long)(fails));                                                      \
    } while (0)

/* Every way a function fails: a null pointer or a value out of range gives -2;
 * a failing platform call -3 from the function that makes it, -4 from a
 * composite around it. */
static void every_failure(void) {
    int64_t value = 77; /* an input to some rows, an output of others */
    struct tm tm_out, tm_before, later, before_epoch;
    memset(&tm_out, 0x5a, sizeof tm_out);
    tm_before = tm_out;
    memset(&later, 0, sizeof later);
    later.tm_year = 100;
    later.tm_mday = 1;
    before_epoch = later;
    before_epoch.tm_year = 70;
    before_epoch.tm_sec = -1;
    struct timezone tz = {0, 0};
    struct timeval tv = {0, 0};
    struct timespec ts = {0, 0};
    char buf[32];
    const char *text = "2024-01-05 10:20:30";
    const int64_t settable = 1000;
    const int32_t E2 = QEL_EINVAL, E3 = QEL_ESYSTEM, E4 = QEL_ENESTED;
    const unsigned kTime = FAKE_BIT(FAKE_TIME), kLocaltime = FAKE_BIT(FAKE_LOCALTIME_R),
                   kMktime = FAKE_BIT(FAKE_MKTIME);
    const unsigned kGettimeofday = FAKE_BIT(FAKE_GETTIMEOFDAY), kStrftime = FAKE_BIT(FAKE_STRFTIME);
    const unsigned kStrptime = FAKE_BIT(FAKE_STRPTIME), kSettime = FAKE_BIT(FAKE_CLOCK_SETTIME);
    FAILS(0, qel_get_time(NULL), E2, -1);
    FAILS(0, qel_set_time(NULL), E2, -1);
    FAILS(0, qel_get_timetm(NULL, 0), E2, -1);
    FAILS(0, qel_get_timetm(&tm_out, 2), E2, -1);
    FAILS(0, qel_get_timetm(&tm_out, 0xFFFFFFFFU), E2, -1);
    FAILS(0, qel_set_timetm(NULL), E2, -1);
    FAILS(0, qel_get_timezone(NULL), E2, -1);
    FAILS(0, qel_set_timezone(NULL), E2, -1);
    FAILS(0, qel_get_timeval(NULL), E2, -1);
    FAILS(0, qel_get_timespec(NULL), E2, -1);
    FAILS(0, qel_get_uptime(NULL), E2, -1);
    FAILS(0, qel_get_uptime_ms(NULL), E2, -1);
    FAILS(0, qel_get_time_diff(NULL), E2, -1);
    FAILS(0, qel_tm_to_time(NULL, &value), E2, -1);
    FAILS(0, qel_tm_to_time(&later, NULL), E2, -1);
    FAILS(0, qel_time_to_tm(NULL, &tm_out), E2, -1);
    FAILS(0, qel_time_to_tm(&value, NULL), E2, -1);
    FAILS(0, qel_timetm_to_str(NULL, buf, sizeof buf), E2, -1);
    FAILS(0, qel_timetm_to_str(&later, NULL, sizeof buf), E2, -1);
    FAILS(0, qel_time_to_str(NULL, buf, sizeof buf), E2, -1);
    FAILS(0, qel_time_to_str(&value, NULL, sizeof buf), E2, -1);
    FAILS(0, qel_str_to_timetm(NULL, &tm_out), E2, -1);
    FAILS(0, qel_str_to_timetm(text, NULL), E2, -1);
    FAILS(0, qel_str_to_time(NULL, &value), E2, -1);
    FAILS(0, qel_str_to_time(text, NULL), E2, -1);
    FAILS(kTime, qel_get_time(&value), E3, -1);
    FAILS(BEFORE_EPOCH, qel_get_time(&value), E3, -1);
    FAILS(kTime, qel_get_timetm(&tm_out, 0), E3, FAKE_LOCALTIME_R);
    FAILS(BEFORE_EPOCH, qel_get_timetm(&tm_out, 1), E3, FAKE_GMTIME_R);
    FAILS(kLocaltime, qel_get_timetm(&tm_out, 0), E3, -1);
    FAILS(FAKE_BIT(FAKE_GMTIME_R), qel_get_timetm(&tm_out, 1), E3, -1);
    FAILS(kSettime, qel_set_time(&settable), E3, -1);
    FAILS(kMktime, qel_set_timetm(&later), E3, FAKE_CLOCK_SETTIME);
    FAILS(0, qel_set_timetm(&before_epoch), E3, FAKE_CLOCK_SETTIME);
    FAILS(kSettime, qel_set_timetm(&later), E3, -1);
    FAILS(kGettimeofday, qel_get_timezone(&tz), E3, -1);
    FAILS(kGettimeofday, qel_set_timezone(&tz), E3, FAKE_SETTIMEOFDAY);
    FAILS(FAKE_BIT(FAKE_SETTIMEOFDAY), qel_set_timezone(&tz), E3, -1);
    FAILS(kGettimeofday, qel_get_timeval(&tv), E3, -1);
    FAILS(FAKE_BIT(FAKE_CLOCK_GETTIME), qel_get_timespec(&ts), E3, -1);
    FAILS(FAKE_BIT(FAKE_SYSINFO), qel_get_uptime(&value), E3, -1);
    FAILS(FAKE_BIT(FAKE_SYSCALL), qel_get_uptime_ms(&value), E3, -1);
    FAILS(kTime, qel_time_delay(0, 0), E4, -1);
    FAILS(BEFORE_EPOCH, qel_time_delay(0, 0), E4, -1);
    FAILS(FAKE_BIT(FAKE_SYSINFO), qel_uptime_delay(0, 0), E4, -1);
    FAILS(kTime, qel_get_time_diff(&value), E3, FAKE_LOCALTIME_R);
    FAILS(kLocaltime, qel_get_time_diff(&value), E3, -1);
    FAILS(kLocaltime, qel_time_to_tm(&value, &tm_out), E3, -1);
    FAILS(kLocaltime, qel_time_to_str(&value, buf, sizeof buf), E4, FAKE_STRFTIME);
    FAILS(kStrftime, qel_timetm_to_str(&tm_out, buf, sizeof buf), E3, -1);
    FAILS(kStrftime, qel_time_to_str(&value, buf, sizeof buf), E4, -1);
    FAILS(kStrptime, qel_str_to_timetm(text, &tm_out), E3, -1);
    FAILS(kStrptime, qel_str_to_time(text, &value), E4, FAKE_MKTIME);
    FAILS(kMktime, qel_tm_to_time(&tm_out, &value), E3, -1);
    FAILS(kMktime, qel_str_to_time(text, &value), E4, -1);
}

int main(void) {
    /* The result codes are part of the binary interface. */
    /* NOLINTNEXTLINE(misc-redundant-expression): each comparison is of two constants */
    check(QEL_OK == 0 && QEL_EINVAL == -2 && QEL_ESYSTEM == -3 && QEL_ENESTED == -4, "result codes", 0);
    /* Broken-down times are local times: UTC here, as the rows expect. */
    setenv("TZ", "UTC0", 1);
    tzset();
    every_failure();

    /* The kernel's timezone is written into the caller's structure. */
    struct timezone tz = {12345, 7};
    fake_arm();
    check(qel_get_timezone(&tz) == QEL_OK && tz.tz_minuteswest != 12345, "get_timezone writes the kernel's", 0);
    check(fake.log_len == 1 && fake.log[0] == FAKE_GETTIMEOFDAY, "get_timezone makes one gettimeofday call", 0);
    check(fake.syscall_number == QEL_SYS_GETTIMEOFDAY, "get_timezone calls the kernel directly", 0);

    /* The new timezone is handed on with the time just read. */
    const struct timezone west = {-60, 1};
    fake_arm();
    fake.inject = FAKE_BIT(FAKE_GETTIMEOFDAY);
    fake.tv_value.tv_sec = 1234567890;
    fake.tv_value.tv_usec = 654321;
    check(qel_set_timezone(&west) == QEL_OK, "set_timezone returns 0", 0);
    check(fake.log_len == 2 && fake.log[0] == FAKE_GETTIMEOFDAY && fake.log[1] == FAKE_SETTIMEOFDAY,
          "set_timezone reads, then sets", 0);
    check(fake.syscall_number == QEL_SYS_SETTIMEOFDAY, "set_timezone calls the kernel directly", 0);
    check(fake.settod_tz.tz_minuteswest == -60 && fake.settod_tz.tz_dsttime == 1, "set_timezone hands on its argument",
          0);
    check(fake.settod_tv.tv_sec == 1234567890 && fake.settod_tv.tv_usec == 654321,
          "set_timezone writes back the time it read", 0);

    /* The raw clock, clock 4 through call 263 on ARM: seconds are widened
     * before the multiplication (3000000 s overflows a 32-bit product), and
     * the division truncates toward zero. */
    static const struct {
        long sec, nsec;
        int64_t ms;
    } raw_rows[] = {{12, 999999999, 12999},
                    {0, 999999, 0},
                    {3000000, 0, 3000000000LL},
                    {INT32_MAX, 999999999, (int64_t)INT32_MAX * 1000 + 999},
                    {-1, -1500000, -1001}};
    for (size_t i = 0; i < COUNT(raw_rows); ++i) {
        int64_t ms = 0;
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_SYSCALL);
        fake.raw_sec = raw_rows[i].sec;
        fake.raw_nsec = raw_rows[i].nsec;
        check(qel_get_uptime_ms(&ms) == QEL_OK && ms == raw_rows[i].ms, "uptime_ms from the raw clock",
              raw_rows[i].sec);
        check(fake.syscall_number == QEL_SYS_CLOCK_GETTIME && fake.syscall_clock == 4, "uptime_ms reads clock 4", 0);
#ifdef __ARM_EABI__
        check(fake.syscall_number == 263, "uptime_ms uses system call 263 on ARM", 0);
#endif
    }

    /* Readings of the platform's time_t and long, whatever type the C library
     * gives them, are widened with their sign; a time before the epoch is a
     * failure that leaves the output as it was. */
    static const long readings[] = {0, 1, INT32_MAX, -1, LONG_MIN, LONG_MAX};
    for (size_t i = 0; i < COUNT(readings); ++i) {
        const long reading = readings[i];
        int64_t now = -5, up = -5;
        fake_arm();
        fake.inject = FAKE_BIT(FAKE_TIME) | FAKE_BIT(FAKE_SYSINFO);
        fake.time_value = (time_t)reading;
        fake.uptime_value = reading;
        const int32_t rc = qel_get_time(&now);
        check(reading < 0 ? rc == QEL_ESYSTEM && now == -5 : rc == QEL_OK && now == reading, "time is sign-extended",
              reading);
        check(qel_get_uptime(&up) == QEL_OK && up == reading, "uptime is sign-extended", reading);
    }

    /* A value to set must be positive, and so must its low 32 bits read as a
     * signed number; a refused one makes no platform call. The clock gets
     * those low 32 bits where time_t is 32 bits, the whole value where it is
     * 64. */
    static const struct {
        int64_t value;
        int32_t result;
    } set_rows[] = {
        {0, QEL_EINVAL},
        {-1, QEL_EINVAL},
        {-4294967295LL, QEL_EINVAL}, /* negative, its low 32 bits 1 */
        {2147483648LL, QEL_EINVAL},  /* low 32 bits negative */
        {4294967296LL, QEL_EINVAL},  /* low 32 bits zero */
        {1, QEL_OK},
        {2147483647LL, QEL_OK},
        {4294967297LL, QEL_OK}, /* low 32 bits 1 */
    };
    for (size_t i = 0; i < COUNT(set_rows); ++i) {
        const int64_t value = set_rows[i].value;
        const int64_t expected = sizeof(time_t) < 8 ? (int64_t)(int32_t)(uint32_t)value : value;
        fake_arm();
        check(qel_set_time(&value) == set_rows[i].result, "set_time accepts or refuses", value);
        check(set_rows[i].result == QEL_OK ? fake.calls[FAKE_CLOCK_SETTIME] == 1 : fake_total_calls() == 0,
              "set_time calls the clock only when it accepts", value);
        check(
            set_rows[i].result != QEL_OK || (fake.settime_clock == CLOCK_REALTIME && fake.settime_value.tv_nsec == 0 &&
                                             (int64_t)fake.settime_value.tv_sec == expected),
            "set_time hands the clock the value", value);
    }
    /* time_to_tm too hands the calendar the low 32 bits only where time_t is
     * 32 bits. */
    static const struct {
        int64_t value;
        int year32, mday32, hour32; /* what a 32-bit time_t gives */
        int year64, mday64, hour64; /* what a 64-bit time_t gives */
    } width_rows[] = {
        {(1LL << 32) + 86400, 70, 2, 0, 206, 8, 6}, /* 1970-01-02 / 2106-02-08 */
        {4294967295LL, 69, 31, 23, 206, 7, 6},      /* -1: 1969-12-31 23:59:59 / 2106-02-07 */
        {2147483648LL, 1, 13, 20, 138, 19, 3},      /* -2^31: 1901-12-13 / 2038-01-19 */
    };
    for (size_t i = 0; i < COUNT(width_rows); ++i) {
        const int time32 = sizeof(time_t) == 4;
        struct tm tm;
        memset(&tm, 0, sizeof tm);
        check(qel_time_to_tm(&width_rows[i].value, &tm) == QEL_OK &&
                  tm.tm_year == (time32 ? width_rows[i].year32 : width_rows[i].year64) &&
                  tm.tm_mday == (time32 ? width_rows[i].mday32 : width_rows[i].mday64) &&
                  tm.tm_hour == (time32 ? width_rows[i].hour32 : width_rows[i].hour64),
              "time_to_tm hands on the low 32 bits where time_t is 32 bits", width_rows[i].value);
    }
    const int64_t when = 1700000000;
    fake_reset();
    check(qel_set_time(&when) == QEL_ESYSTEM, "a disarmed fake refuses every set", 0);

    /* Unfaked, the real clocks are read into the caller's structures, and the
     * raw clock agrees with the C library's reading of it. */
    int64_t now = 0, ms = 0;
    struct timeval tv = {0, 0};
    struct timespec ts = {0, 0}, raw = {0, 0};
    check(qel_get_time(&now) == QEL_OK && now > 1600000000, "get_time reads the real clock", now);
    check(qel_get_timeval(&tv) == QEL_OK && tv.tv_sec > 1600000000, "get_timeval reads the real clock", 0);
    check(qel_get_timespec(&ts) == QEL_OK && ts.tv_sec > 1600000000, "get_timespec reads the real clock", 0);
    check(qel_get_uptime_ms(&ms) == QEL_OK && clock_gettime(CLOCK_MONOTONIC_RAW, &raw) == 0, "raw clock read", 0);
    const int64_t libc_ms = (int64_t)raw.tv_sec * 1000 + raw.tv_nsec / 1000000;
    check(ms <= libc_ms && ms > libc_ms - 1000, "uptime_ms is the raw clock", ms);

    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
