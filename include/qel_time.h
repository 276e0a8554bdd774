/* SPDX-License-Identifier: MIT */
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

/* The width of time_t, in bits, of the library this header was installed
 * with. struct timeval and struct timespec hold a time_t, so a program must
 * be built with the library's width: where the C library tells its width to
 * the preprocessor (glibc, whose _TIME_BITS=64 widens time_t on 32-bit
 * targets), a program of the other width stops here. A program that was
 * built against another header does not load: every function carries the
 * symbol version QELTIME_1_time_t32 or QELTIME_1_time_t64. */
#define QEL_TIME_BITS 0 /* the source tree's copy: no check */
#if QEL_TIME_BITS != 0 && defined(__TIMESIZE)
#if __TIMESIZE == 64 || defined(__USE_TIME_BITS64)
#if QEL_TIME_BITS != 64
#error "qel_time.h: this program's time_t is 64 bits, libqeltime's 32: build it without -D_TIME_BITS=64"
#endif
#elif QEL_TIME_BITS != 32
#error "qel_time.h: this program's time_t is 32 bits, libqeltime's 64: add -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64"
#endif
#endif

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

/* ---- Clock access ----------------------------------------------------------
 * Every pointer argument belongs to the caller and is used only during the
 * call. A null pointer gives QEL_EINVAL before any system call; a failed
 * system call gives QEL_ESYSTEM. Outputs are written only on success, except
 * where a function hands the caller's own structure to the system call (said
 * below): then that structure may have been written even on failure. */

/* Reads the current time.
 * t: out, seconds since the epoch.
 * Returns QEL_OK; QEL_EINVAL if t is null; QEL_ESYSTEM if the clock cannot
 * be read or reads before the epoch. *t is written only on QEL_OK. */
QEL_API int32_t qel_get_time(int64_t *t);

/* Sets the system clock (CLOCK_REALTIME) to *t seconds and 0 ns.
 * t: in, seconds since the epoch. *t and its low 32 bits read as a signed
 *    32-bit number must both be at least 1 (so 0 and 2147483648 to
 *    4294967296 are refused, as a 32-bit device would see them as 0 or
 *    negative). A 32-bit time_t is handed the low 32 bits, a 64-bit one the
 *    whole value.
 * Returns QEL_OK; QEL_EINVAL for a null or refused value (the clock is not
 * touched); QEL_ESYSTEM if the kernel refuses, e.g. without the privilege. */
QEL_API int32_t qel_set_time(const int64_t *t);

/* Reads the current time as broken-down time.
 * tm: out, every field copied (tm_gmtoff and tm_zone included).
 * mode: 0 = local time, 1 = UTC.
 * Returns QEL_OK; QEL_EINVAL if tm is null or mode is above 1; QEL_ESYSTEM
 * if the clock reads before the epoch or the conversion fails. *tm is
 * written only on QEL_OK. */
QEL_API int32_t qel_get_timetm(struct tm *tm, uint32_t mode);

/* Sets the system clock to the local time *tm (as mktime() reads it).
 * tm: in/out; mktime() normalises it in place (field ranges, tm_wday,
 *     tm_yday, tm_isdst), also when the clock setting then fails.
 * Returns QEL_OK; QEL_EINVAL if tm is null; QEL_ESYSTEM if mktime() fails,
 * the time lies before the epoch (the epoch itself is accepted), or the
 * kernel refuses the setting. */
QEL_API int32_t qel_set_timetm(struct tm *tm);

/* Reads the kernel's timezone, through the kernel's own gettimeofday call
 * (C libraries do not all pass the timezone on).
 * tz: out, filled by the kernel directly.
 * Returns QEL_OK; QEL_EINVAL if tz is null; QEL_ESYSTEM if gettimeofday()
 * fails. */
QEL_API int32_t qel_get_timezone(struct timezone *tz);

/* Sets the kernel's timezone, through the kernel's own gettimeofday and
 * settimeofday calls. The clock is read with the first and written back with
 * the second, together with the timezone, so it loses the few microseconds
 * between the two.
 * tz: in, the timezone to set.
 * Returns QEL_OK; QEL_EINVAL if tz is null; QEL_ESYSTEM if reading the clock
 * or setting fails (settimeofday() is not called when the read fails). */
QEL_API int32_t qel_set_timezone(const struct timezone *tz);

/* Reads seconds and microseconds since the epoch.
 * tv: out, filled by gettimeofday() directly.
 * Returns QEL_OK; QEL_EINVAL if tv is null; QEL_ESYSTEM on failure. */
QEL_API int32_t qel_get_timeval(struct timeval *tv);

/* Reads seconds and nanoseconds since the epoch.
 * ts: out, filled by clock_gettime(CLOCK_REALTIME) directly.
 * Returns QEL_OK; QEL_EINVAL if ts is null; QEL_ESYSTEM on failure. */
QEL_API int32_t qel_get_timespec(struct timespec *ts);

/* Reads the seconds since boot (the kernel's sysinfo() uptime).
 * up: out, sign-extended from the platform's long.
 * Returns QEL_OK; QEL_EINVAL if up is null; QEL_ESYSTEM if sysinfo() fails.
 * *up is written only on QEL_OK. */
QEL_API int32_t qel_get_uptime(int64_t *up);

/* Reads the raw monotonic clock (CLOCK_MONOTONIC_RAW, through the
 * clock_gettime system call itself) in milliseconds: seconds * 1000 in 64
 * bits plus nanoseconds / 1000000.
 * ms: out.
 * Returns QEL_OK; QEL_EINVAL if ms is null; QEL_ESYSTEM if the system call
 * fails. *ms is written only on QEL_OK. */
QEL_API int32_t qel_get_uptime_ms(int64_t *ms);

/* ---- Ordering and delay checks ----------------------------------------------
 * The ordering tests decide by the sign (bit 63) of the 64-bit difference
 * taken modulo 2^64, so a value just past the wrap of a counter counts as
 * later than one just before it. Two values exactly 2^63 apart are each
 * "after" and "before" the other. They return 1 (true) or 0 (false) and
 * cannot fail. */

/* 1 if a is later than b (b - a is negative), else 0. */
QEL_API int32_t qel_time_after(int64_t a, int64_t b);
/* 1 if a is earlier than b (a - b is negative), else 0. */
QEL_API int32_t qel_time_before(int64_t a, int64_t b);
/* 1 if a is later than or equal to b (a - b is not negative), else 0. */
QEL_API int32_t qel_time_after_eq(int64_t a, int64_t b);
/* 1 if a is earlier than or equal to b (b - a is not negative), else 0. */
QEL_API int32_t qel_time_before_eq(int64_t a, int64_t b);

/* 1 if qel_time_after_eq(t, start) and qel_time_before_eq(t, end): both ends
 * included. A start later than the end makes an empty range. */
QEL_API int32_t qel_time_in_range(int64_t t, int64_t start, int64_t end);

/* Whether a delay has elapsed on the wall clock.
 * base: seconds since the epoch; delay: seconds, may be negative.
 * Returns 1 if the current time has reached base + delay (computed modulo
 * 2^64), 0 if not, QEL_ENESTED if the clock cannot be read. */
QEL_API int32_t qel_time_delay(int64_t base, int32_t delay);

/* Whether a delay has elapsed on the uptime.
 * base: seconds since boot; delay: seconds, may be negative.
 * Returns 1 if the uptime has reached base + delay, 0 if not, QEL_ENESTED if
 * the uptime cannot be read. */
QEL_API int32_t qel_uptime_delay(int64_t base, int32_t delay);

/* ---- Calendar and text form ---------------------------------------------------
 * All conversions use the process's local timezone as the C library sees it
 * (the TZ environment variable). The text form is "%Y-%m-%d %H:%M:%S", e.g.
 * "2024-01-05 10:20:30": 19 characters for a four-digit year, so text
 * buffers must hold at least QEL_STR_SIZE bytes. The writers never cut a
 * text: one that does not fit gives QEL_ESYSTEM. After a change of TZ, call
 * tzset() before converting (glibc's localtime_r() does not read TZ again by
 * itself). In edge cases (a time in the spring gap or the autumn overlap,
 * tm_isdst where the zone has no daylight saving, the fields strptime()
 * sets, blanks, second 61, years outside 1000..9999, fields outside their
 * ranges, the name of UTC) the results are the C library's own, and glibc,
 * musl and uClibc-ng differ in them (docs/c-libraries.md). */

/* The text form of a four-digit year, 19 characters, and its NUL: the least
 * size the writers take. */
#define QEL_STR_SIZE 20

/* Reads the local offset from UTC now, in seconds east of UTC, daylight
 * saving included.
 * diff: out.
 * Returns QEL_OK; QEL_EINVAL if diff is null; QEL_ESYSTEM if the clock reads
 * before the epoch or the conversion fails. *diff is written only on QEL_OK. */
QEL_API int32_t qel_get_time_diff(int64_t *diff);

/* Converts local broken-down time to a time value.
 * tm: in/out; mktime() honours tm_isdst and normalises it in place, also on
 *     failure. t: out.
 * Returns QEL_OK; QEL_EINVAL if a pointer is null; QEL_ESYSTEM if mktime()
 * fails or the time lies before the epoch (the epoch itself is accepted).
 * *t is written only on QEL_OK. */
QEL_API int32_t qel_tm_to_time(struct tm *tm, int64_t *t);

/* Converts a time value to local broken-down time.
 * t: in; a 32-bit time_t is handed its low 32 bits, a 64-bit one the whole
 *    value. tm: out, every field copied.
 * Returns QEL_OK; QEL_EINVAL if a pointer is null; QEL_ESYSTEM if the
 * conversion fails. *tm is written only on QEL_OK. */
QEL_API int32_t qel_time_to_tm(const int64_t *t, struct tm *tm);

/* Writes broken-down time in the text form; the fields are formatted as
 * they stand, not normalised.
 * tm: in. buf: out, size bytes (at least QEL_STR_SIZE), NUL-terminated on
 * success.
 * Returns QEL_OK; QEL_EINVAL if a pointer is null or size is below
 * QEL_STR_SIZE (nothing written); QEL_ESYSTEM if the text does not fit (a
 * five-digit year in 20 bytes), in which case buf may have been written. */
QEL_API int32_t qel_timetm_to_str(const struct tm *tm, char *buf, uint32_t size);

/* Writes the local time of a time value in the text form
 * (qel_time_to_tm, then qel_timetm_to_str).
 * t: in. buf: out, size bytes (at least QEL_STR_SIZE).
 * Returns QEL_OK; QEL_EINVAL if a pointer is null or size is below
 * QEL_STR_SIZE; QEL_ENESTED if the conversion or the formatting fails (buf
 * may then have been written). */
QEL_API int32_t qel_time_to_str(const int64_t *t, char *buf, uint32_t size);

/* Reads the text form into broken-down time. Only the first 19 characters
 * of str are read; what follows them is ignored, as is anything after the
 * form within them. *tm is not cleared first: fields the form does not set
 * keep their values.
 * str: in, NUL-terminated. tm: out.
 * Returns QEL_OK; QEL_EINVAL if a pointer is null; QEL_ESYSTEM if the text
 * does not match the form, in which case *tm may have been written in part. */
QEL_API int32_t qel_str_to_timetm(const char *str, struct tm *tm);

/* Reads the text form as local time into a time value
 * (qel_str_to_timetm, then qel_tm_to_time with tm_isdst = -1, so mktime()
 * decides whether daylight saving applies).
 * str: in, NUL-terminated. t: out.
 * Returns QEL_OK; QEL_EINVAL if a pointer is null; QEL_ENESTED if the text
 * cannot be read or the time lies before the epoch. *t is written only on
 * QEL_OK. */
QEL_API int32_t qel_str_to_time(const char *str, int64_t *t);

/* ---- Timezone settings conversion ----------------------------------------------
 * Pure computation: no system call, no state, no allocation. The writers
 * never change the record and on QEL_EINVAL leave every byte of out
 * untouched. A text longer than size - 1 characters is cut to size - 1
 * characters plus a NUL and the call still returns QEL_OK: a buffer of
 * QEL_TZSTR_SIZE or QEL_ZICSTR_SIZE bytes always takes the whole text, and in
 * a smaller one a text of size - 1 characters may have been cut. See
 * docs/timezone-settings.md for the record, the zone codes and both forms. */

/* The longest TZ string, 62 characters, and its NUL: a zone text of at most
 * 28 characters (IDLW+12:00:00IDLWDT+11:30:00), two rule dates of at most 8
 * (,M12.5.6) and two rule times cut to 9 (/23:59:59). */
#define QEL_TZSTR_SIZE 63
/* The longest zic text, 170 characters, and its NUL: the zone at UTC-12:00
 * (the longest letters, offset and FORMAT) with every rule hour and minute
 * at -2147483648 and a daylight amount whose hours and minutes are 9 and 3
 * characters wide. */
#define QEL_ZICSTR_SIZE 171

/* Writes the POSIX TZ string of a settings record.
 * settings: in. out: out, size bytes (1 or more; QEL_TZSTR_SIZE always take
 * the whole text).
 * Daylight saving off: standard name and offset, "CET-01:00"; an unknown zone
 * code is written as UTC, "GMT-00:00". Daylight saving on: both names and
 * offsets with seconds and both rules, e.g.
 * "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00"; dst_minutes
 * other than 60, 90 or 120 is written as 30; each rule's time is cut to 8
 * characters after its "/".
 * Returns QEL_OK; QEL_EINVAL for a null pointer, size 0 or less, or (daylight
 * saving on) a zone code outside the catalogue or a rule month, week or
 * weekday out of range. */
QEL_API int32_t qel_tzset_to_tzstr(const qel_tzset *settings, char *out, int32_t size);

/* Reads a POSIX TZ string into a settings record: at most the first 127
 * characters of "STD(+|-)hh:mm[:ss][DST(+|-)hh:mm[:ss]][,Mm.w.d[/h:m:s]
 * [,Mm.w.d[/h:m:s]]]". The zone code comes back in long form, computed from
 * the offset; the names are not read.
 * tz: in, NUL-terminated. out: out, all 17 words written on success.
 * Returns QEL_OK; QEL_EINVAL for a null or empty argument, a text not in
 * that form, an offset outside UTC-12:00..UTC+14:00, daylight time behind
 * standard time, a rule value above its range, or a number too large for 32
 * bits. *out is untouched on QEL_EINVAL. */
QEL_API int32_t qel_tzstr_to_tzset(const char *tz, qel_tzset *out);

/* Writes zic source text of a settings record: with daylight saving off one
 * Zone line, "Zone local 1:00 - CET"; with it on two Rule lines named
 * "qlrule" and a Zone line. Every line ends with a newline and an empty line
 * follows the Zone line. Week w of a rule becomes "on or after day
 * 7 * (w - 1) + 1", so week 5 means the first such weekday on or after the
 * 29th, not the last one.
 * settings: in. out: out, size bytes (1 or more; QEL_ZICSTR_SIZE always take
 * the whole text).
 * Returns QEL_OK; QEL_EINVAL for a null pointer, size 0 or less, a zone code
 * outside the catalogue (with daylight saving on or off), or (daylight
 * saving on) a rule month, week or weekday out of range. */
QEL_API int32_t qel_tzset_to_zicstr(const qel_tzset *settings, char *out, int32_t size);

#ifdef __cplusplus
}
#endif

#endif /* QEL_TIME_H */
