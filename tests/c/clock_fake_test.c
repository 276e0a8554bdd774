/* The clock functions against the fake platform, in C, so that they run on C
 * libraries GoogleTest cannot be built for (musl): the kernel's timezone is
 * read and handed on through the kernel's own calls, the raw clock is read
 * through the 32-bit clock_gettime call, and platform counts are widened with
 * their sign. Prints "N passed, N failed". */
#include <limits.h>
#include <stdio.h>

#include "fake_platform.h"
#include "kernel_calls.h"
#include "qel_time.h"

static int passed, failed;

static void check(int ok, const char *what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAILED: %s\n", what);
    }
}

int main(void) {
    /* The kernel's timezone is written into the caller's structure. */
    struct timezone tz = {12345, 7};
    fake_arm();
    check(qel_get_timezone(&tz) == QEL_OK, "get_timezone returns 0");
    check(tz.tz_minuteswest != 12345, "get_timezone writes the kernel's timezone");
    check(fake.log_len == 1 && fake.log[0] == FAKE_GETTIMEOFDAY, "get_timezone makes one gettimeofday call");
    check(fake.syscall_number == QEL_SYS_GETTIMEOFDAY, "get_timezone calls the kernel directly");

    /* The new timezone is handed on with the time just read. */
    const struct timezone west = {-60, 1};
    fake_arm();
    fake.inject = FAKE_BIT(FAKE_GETTIMEOFDAY);
    fake.tv_value.tv_sec = 1234567890;
    fake.tv_value.tv_usec = 654321;
    check(qel_set_timezone(&west) == QEL_OK, "set_timezone returns 0");
    check(fake.log_len == 2 && fake.log[0] == FAKE_GETTIMEOFDAY && fake.log[1] == FAKE_SETTIMEOFDAY,
          "set_timezone reads, then sets");
    check(fake.syscall_number == QEL_SYS_SETTIMEOFDAY, "set_timezone calls the kernel directly");
    check(fake.settod_tz.tz_minuteswest == -60 && fake.settod_tz.tz_dsttime == 1, "set_timezone hands on its argument");
    check(fake.settod_tv.tv_sec == 1234567890 && fake.settod_tv.tv_usec == 654321,
          "set_timezone writes back the time it read");
    fake_arm();
    fake.fail = FAKE_BIT(FAKE_SETTIMEOFDAY);
    check(qel_set_timezone(&west) == QEL_ESYSTEM, "a refused setting gives -3");

    /* The raw clock: 12 s 999999999 ns is 12999 ms, through call 263 on ARM. */
    int64_t ms = 0;
    fake_arm();
    fake.inject = FAKE_BIT(FAKE_SYSCALL);
    fake.raw_sec = 12;
    fake.raw_nsec = 999999999;
    check(qel_get_uptime_ms(&ms) == QEL_OK && ms == 12999, "uptime_ms from the raw clock");
    check(fake.syscall_number == QEL_SYS_CLOCK_GETTIME && fake.syscall_clock == 4, "uptime_ms reads clock 4");
#ifdef __ARM_EABI__
    check(fake.syscall_number == 263, "uptime_ms uses system call 263 on ARM");
#endif

    /* The uptime is the kernel's signed count, whatever type the C library gives it. */
    int64_t up = 0;
    fake_arm();
    fake.inject = FAKE_BIT(FAKE_SYSINFO);
    fake.uptime_value = LONG_MIN;
    check(qel_get_uptime(&up) == QEL_OK && up == LONG_MIN, "uptime is sign-extended");

    /* A set is handed on to the fake, never to the kernel. */
    const int64_t when = 1700000000;
    fake_arm();
    check(qel_set_time(&when) == QEL_OK && fake.settime_value.tv_sec == 1700000000, "set_time hands on the value");
    fake_reset();
    check(qel_set_time(&when) == QEL_ESYSTEM, "a disarmed fake refuses every set");

    int64_t now = 0;
    check(qel_get_time(&now) == QEL_OK && now > 1600000000, "get_time reads the real clock");

    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
