/*
 * qel_time.h - time and timezone services for embedded Linux devices.
 *
 * Four families of plain C functions:
 *   - clock access: read and set the system clock and the kernel's timezone,
 *     read the uptime in seconds and milliseconds;
 *   - wrap-safe ordering of 64-bit time stamps and delay checks;
 *   - conversion between time stamps, struct tm and the text form
 *     "%Y-%m-%d %H:%M:%S" in the process's local timezone;
 *   - conversion of a timezone settings record (qel_tzset) to a POSIX TZ
 *     string, back from one, and to zic source text.
 *
 * The library keeps no state, allocates nothing and takes no lock: every
 * function may be called from any number of threads at once. Every record,
 * structure and buffer belongs to the caller and is used only for the length
 * of one call.
 *
 * Time values are signed 64-bit counts: seconds since 1970-01-01 00:00:00 UTC
 * for the wall clock, seconds since boot for the uptime, milliseconds for
 * qel_get_uptime_ms(). Values read from a 32-bit time_t are sign-extended.
 */
#ifndef QEL_TIME_H
#define QEL_TIME_H

#include <stdint.h>
#include <sys/time.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Declared here too so that the prototypes below name file-scope types even
 * when the C library hides a definition behind a feature macro (struct
 * timezone under a strict -std=c99, for example). */
struct tm;
struct timeval;
struct timespec;
struct timezone;

#if defined(QEL_BUILDING_LIBRARY) && defined(__GNUC__)
#define QEL_API __attribute__((visibility("default")))
#else
#define QEL_API
#endif

/* Result codes. Every function that returns a result code returns one of
 * these and no other value. */
#define QEL_OK 0         /* success: the output has been written */
#define QEL_EINVAL (-2)  /* bad argument: nothing was called or written */
#define QEL_ESYSTEM (-3) /* a kernel or C library call failed */
#define QEL_ENESTED (-4) /* a nested qel_ call failed (composites only) */

/* A change rule: the week-th wday of month, at hour:minute:second local time.
 * month 1..12 (January = 1); week 1..4 = first..fourth, 5 = last;
 * wday 0..6 (Sunday = 0). reserved is never read; the parser writes 0. */
typedef struct qel_tzrule {
    int32_t month, week, wday, hour, minute, second, reserved;
} qel_tzrule;

/* Timezone settings of a device.
 * zone: zone code of standard time, short form 100 + hours (88..114) or long
 *       form 10000 + sign * hhmm (for example 9570 = UTC-04:30,
 *       10545 = UTC+05:45); 35 zones from UTC-12:00 to UTC+14:00 are known.
 * dst_on: 0 = no daylight saving, any other value = daylight saving.
 * dst_minutes: how far daylight time is ahead of standard time, in minutes.
 * start, end: when daylight time begins and ends. */
typedef struct qel_tzset {
    int32_t zone, dst_on, dst_minutes;
    qel_tzrule start, end;
} qel_tzset;

/* ---- Clock access --------------------------------------------------------
 * Null pointers give QEL_EINVAL before any system call. A failed system call
 * gives QEL_ESYSTEM and leaves the caller's output as it was, except where the
 * caller's own structure is handed to the system call (said below). */

/* Current time in seconds since the epoch into *t. QEL_ESYSTEM if the clock
 * cannot be read or reads before the epoch. */
QEL_API int32_t qel_get_time(int64_t *t);

/* Sets the system clock (CLOCK_REALTIME) to *t seconds, 0 ns. *t and its low
 * 32 bits read as a signed 32-bit number must both be at least 1, otherwise
 * QEL_EINVAL (so 0 and 2147483648..4294967296 are refused). Needs the
 * privilege to set the clock; QEL_ESYSTEM without it. */
QEL_API int32_t qel_set_time(const int64_t *t);

/* Current broken-down time into *tm, every field copied: mode 0 = local time,
 * 1 = UTC; any other mode gives QEL_EINVAL. QEL_ESYSTEM if the clock reads
 * before the epoch or the conversion fails. */
QEL_API int32_t qel_get_timetm(struct tm *tm, uint32_t mode);

/* Sets the system clock to the local time *tm. mktime() normalises *tm in
 * place, also when the clock setting then fails; a time before the epoch
 * gives QEL_ESYSTEM (the epoch itself is accepted). */
QEL_API int32_t qel_set_timetm(struct tm *tm);

/* The kernel's timezone into *tz (filled by gettimeofday() directly). */
QEL_API int32_t qel_get_timezone(struct timezone *tz);

/* Sets the kernel's timezone to *tz. The clock is read and written back with
 * the same call, so it loses the few microseconds between the two. */
QEL_API int32_t qel_set_timezone(const struct timezone *tz);

/* Seconds and microseconds since the epoch into *tv (filled by
 * gettimeofday() directly). */
QEL_API int32_t qel_get_timeval(struct timeval *tv);

/* Seconds and nanoseconds since the epoch into *ts (filled by
 * clock_gettime(CLOCK_REALTIME) directly). */
QEL_API int32_t qel_get_timespec(struct timespec *ts);

/* Seconds since boot (the kernel's sysinfo uptime) into *up. */
QEL_API int32_t qel_get_uptime(int64_t *up);

/* Milliseconds of the raw monotonic clock (CLOCK_MONOTONIC_RAW, read by the
 * clock_gettime system call) into *ms. */
QEL_API int32_t qel_get_uptime_ms(int64_t *ms);

/* ---- Ordering and delay checks --------------------------------------------
 * The ordering tests decide by the sign of the 64-bit difference taken modulo
 * 2^64, so a value just past the wrap counts as later than one just before it.
 * They return 1 (true) or 0 (false) and cannot fail. */

QEL_API int32_t qel_time_after(int64_t a, int64_t b);     /* a later than b */
QEL_API int32_t qel_time_before(int64_t a, int64_t b);    /* a earlier than b */
QEL_API int32_t qel_time_after_eq(int64_t a, int64_t b);  /* a not earlier */
QEL_API int32_t qel_time_before_eq(int64_t a, int64_t b); /* a not later */

/* 1 if start <= t <= end in the wrap-safe order (both ends included), else 0. */
QEL_API int32_t qel_time_in_range(int64_t t, int64_t start, int64_t end);

/* 1 if the current time (seconds since the epoch) has reached base + delay,
 * 0 if not, QEL_ENESTED if the clock cannot be read. */
QEL_API int32_t qel_time_delay(int64_t base, int32_t delay);

/* 1 if the uptime (seconds since boot) has reached base + delay, 0 if not,
 * QEL_ENESTED if the uptime cannot be read. */
QEL_API int32_t qel_uptime_delay(int64_t base, int32_t delay);

/* ---- Calendar and text form ------------------------------------------------
 * All conversions use the process's local timezone as the C library sees it.
 * The text form is "%Y-%m-%d %H:%M:%S": 19 characters for a four-digit year,
 * so text buffers must hold at least 20 bytes. */

/* Local offset from UTC now, in seconds east of UTC (daylight saving
 * included), into *diff. */
QEL_API int32_t qel_get_time_diff(int64_t *diff);

/* Time value of the local broken-down time *tm into *t. mktime() honours
 * tm_isdst and normalises *tm in place, also on failure. A time before the
 * epoch gives QEL_ESYSTEM. */
QEL_API int32_t qel_tm_to_time(struct tm *tm, int64_t *t);

/* Local broken-down time of *t into *tm, every field copied. */
QEL_API int32_t qel_time_to_tm(const int64_t *t, struct tm *tm);

/* Text form of *tm into buf (size bytes, at least 20, else QEL_EINVAL).
 * QEL_ESYSTEM if the text does not fit (a five-digit year in 20 bytes);
 * buf may then have been written. Fields are formatted as they stand. */
QEL_API int32_t qel_timetm_to_str(const struct tm *tm, char *buf, uint32_t size);

/* Text form of the local time of *t into buf (size at least 20).
 * QEL_ENESTED if the conversion or the formatting fails. */
QEL_API int32_t qel_time_to_str(const int64_t *t, char *buf, uint32_t size);

/* Reads the text form from str into *tm; only the first 19 characters are
 * read and what follows them is ignored. *tm is not cleared first: fields
 * the form does not set keep their values. QEL_ESYSTEM if the text does not
 * match the form (*tm may then have been written in part). */
QEL_API int32_t qel_str_to_timetm(const char *str, struct tm *tm);

/* Reads the text form as local time into *t; mktime() decides whether
 * daylight saving applies. QEL_ENESTED if the text cannot be read or the
 * time lies before the epoch. */
QEL_API int32_t qel_str_to_time(const char *str, int64_t *t);

/* ---- Timezone settings conversion ------------------------------------------
 * Pure computation: no system call, no state. The writers never change the
 * record; on QEL_EINVAL they leave every byte of out untouched. A text
 * longer than size - 1 characters is cut to size - 1 characters plus a NUL
 * and the call still returns QEL_OK. */

/* POSIX TZ string of *tzset into out (size bytes, 1 or more).
 * Daylight saving off: "CET-01:00"; any unknown zone code is written as
 * "GMT-00:00". Daylight saving on: for example
 * "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"; dst_minutes
 * other than 60, 90 or 120 is written as 30. The longest text is 62
 * characters, so 63 bytes always suffice. QEL_EINVAL: null pointer,
 * size <= 0, or with daylight saving on an unknown zone code or a rule
 * month, week or wday out of range. */
QEL_API int32_t qel_tzset_to_tzstr(const qel_tzset *tzset, char *out, int32_t size);

/* Reads a POSIX TZ string ("STD+hh:mm[:ss][DST+hh:mm[:ss]][,Mm.w.d[/h:m:s]
 * [,Mm.w.d[/h:m:s]]]", at most its first 127 characters) into *out, every
 * word written, zone in long form. QEL_EINVAL for a null or empty argument,
 * a text not in that form, an offset outside UTC-12:00..UTC+14:00, daylight
 * time behind standard time, or a rule value above its range; *out is then
 * untouched. */
QEL_API int32_t qel_tzstr_to_tzset(const char *tz, qel_tzset *out);

/* zic source text of *tzset into out (size bytes, 1 or more): a Zone line
 * named "local", and with daylight saving on two Rule lines named "qlrule"
 * before it. QEL_EINVAL: null pointer, size <= 0, a zone code outside the
 * catalogue, or with daylight saving on a rule month, week or wday out of
 * range. Week w is written as "on or after day 7*(w-1)+1", so week 5 means
 * the first such weekday on or after the 29th. */
QEL_API int32_t qel_tzset_to_zicstr(const qel_tzset *tzset, char *out, int32_t size);

#ifdef __cplusplus
}
#endif

#endif /* QEL_TIME_H */
