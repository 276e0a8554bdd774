/* SPDX-License-Identifier: MIT */
/* The reader's line handling; see tz_reader.h.
 *
 * Why a value is never read as a file (checked by experiment on glibc 2.36
 * and musl 1.2.3, and by tests/tools/test_libraries.cpp):
 *
 * glibc tries EVERY TZ value as a file before it reads it as a POSIX string:
 * ":x" and "x" alike, an absolute path as it stands, any other name under
 * $TZDIR (or /usr/share/zoneinfo when TZDIR is unset or empty). So "EST5EDT"
 * reads the machine's compiled zone EST5EDT. For daylight time without rules
 * ("EST5EDT", "CET-1CEST") it takes the rules from $TZDIR/posixrules, and
 * only where there is none its built-in default, M3.2.0,M11.1.0. Hence:
 *   - tzr_protect points TZDIR at an empty directory this process made
 *     itself (mkdtemp, mode 0700), non-empty as a path, kept until the end:
 *     no name is found in it, and no posixrules either;
 *   - tzr_check_value refuses a value that starts with ':' or '/', or has
 *     "." or ".." as a part between slashes: the only ways to name a file
 *     outside TZDIR. A '/' as such cannot be refused: rule times follow one
 *     ("M10.5.0/3"). glibc looks such a value up as a path below TZDIR, and
 *     in an empty directory the first part is never found (nor are later
 *     ones reached), except "." and "..", the names every directory has.
 *
 * musl never looks at TZDIR. It reads a value as a POSIX string without any
 * file when the value is in "POSIX form": a name (letters, or <...>) followed
 * by '+', '-' or a digit, or the name UTC or GMT. Any other value (":x",
 * "Japan", "EST", "") it looks up as a file: as it stands when it starts
 * with '/' or '.', else in /usr/share/zoneinfo, /share/zoneinfo and
 * /etc/zoneinfo, a search path built into the library. No environment can
 * stop that, so tzr_check_value refuses every value that is not in musl's
 * POSIX form, by musl's own test (musl_posix_form below). Such a value is no
 * POSIX TZ string anyway: the grammar needs an offset after the name.
 *
 * Both builds refuse the same values, so their readings stay comparable.
 */
#define _DEFAULT_SOURCE 1
#define _POSIX_C_SOURCE 200809L

#include "readers/tz_reader.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* uClibc-ng defines __GLIBC__ too (it names itself glibc 2.2), and its
 * gnu_get_libc_version gives its own version: it is told by __UCLIBC__. */
#if defined(__GLIBC__) && !defined(__UCLIBC__)
#include <gnu/libc-version.h>
#endif

/* newlib's struct tm has tm_gmtoff and tm_zone only where newlib was
 * configured with them (its headers then define __TM_GMTOFF and __TM_ZONE);
 * Debian's newlib 3.3.0 for ARM has neither. */
#if defined(_NEWLIB_VERSION) && !defined(__TM_GMTOFF)
#define TZR_NO_TM_GMTOFF 1
#endif
#if defined(_NEWLIB_VERSION) && !defined(__TM_ZONE)
#define TZR_NO_TM_ZONE 1
#endif

const char *tzr_refusal_word(int refusal) {
    switch (refusal) {
        case TZR_FILE_NAME:
            return "file-name";
        case TZR_NOT_POSIX:
            return "not-posix";
        case TZR_NUL_BYTE:
            return "nul-byte";
        case TZR_TOO_LONG:
            return "too-long";
        default:
            return "";
    }
}

static int ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

/* musl 1.2.3's test (src/time/__tz.c, do_tzset): the name as getname reads
 * it, then an offset or the name UTC or GMT (compared as musl keeps names:
 * six characters at most). `s` ends in a NUL. */
static int musl_posix_form(const char *s) {
    const char *p = s, *name = s;
    size_t length;
    if (*p == '<') {
        name = ++p;
        while (*p != '\0' && *p != '>') ++p;
        length = (size_t)(p - name);
        if (*p != '\0') ++p;
    } else {
        while (ascii_letter(*p)) ++p;
        length = (size_t)(p - s);
        if (length == 0) return 0;
    }
    if (*p == '+' || *p == '-' || (*p >= '0' && *p <= '9')) return 1;
    return length == 3 && (memcmp(name, "UTC", 3) == 0 || memcmp(name, "GMT", 3) == 0);
}

/* Whether a part of the path, between slashes, is "." or "..". */
static int dot_part(const char *s) {
    const char *part = s;
    for (;;) {
        const char *slash = strchr(part, '/');
        const size_t length = slash != NULL ? (size_t)(slash - part) : strlen(part);
        if ((length == 1 || length == 2) && part[0] == '.' && part[length - 1] == '.') return 1;
        if (slash == NULL) return 0;
        part = slash + 1;
    }
}

int tzr_check_value(const char *value, size_t size) {
    char text[TZR_VALUE_MAX + 1];
    if (size > TZR_VALUE_MAX) return TZR_TOO_LONG;
    if (memchr(value, '\0', size) != NULL) return TZR_NUL_BYTE;
    memcpy(text, value, size);
    text[size] = '\0';
    if (text[0] == ':' || text[0] == '/' || dot_part(text)) return TZR_FILE_NAME;
    return musl_posix_form(text) ? TZR_READ : TZR_NOT_POSIX;
}

int tzr_protect(char *dir, size_t size) {
#ifdef _NEWLIB_VERSION
    /* newlib reads a TZ value only as a POSIX string, never a file, and a
     * program under semihosting has no directories: nothing to protect. */
    if (size > 0) dir[0] = '\0';
    return 0;
#else
    static const char kName[] = "/qel-tz-reader-XXXXXX";
    const char *tmp = getenv("TMPDIR");
    if (tmp == NULL || tmp[0] != '/') tmp = "/tmp";
    if (strlen(tmp) + sizeof kName > size) tmp = "/tmp";
    if (snprintf(dir, size, "%s%s", tmp, kName) >= (int)size || mkdtemp(dir) == NULL) return -1;
    if (setenv("TZDIR", dir, 1) != 0) {
        rmdir(dir);
        return -1;
    }
    return 0;
#endif
}

int tzr_lean_environment(const char *dir) {
#ifdef _NEWLIB_VERSION
    (void)dir; /* no TZDIR, and an environment of its own under semihosting */
    return 0;
#else
    return clearenv() == 0 && setenv("TZDIR", dir, 1) == 0 ? 0 : -1;
#endif
}

/* Days from 1970-01-01 to a date of the proleptic Gregorian calendar. */
static long long days_from_civil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long long tzr_year_start(int year) { return days_from_civil(year, 1, 1) * 86400; }

int tzr_span_fits(long long from, long long to) {
    if (from >= to) return 0;
    if (sizeof(time_t) >= sizeof(long long)) return 1;
    return from >= (long long)INT32_MIN && to - 1 <= (long long)INT32_MAX;
}

#define TZR_STRING(x) #x
#define TZR_STRING_OF(x) TZR_STRING(x)

const char *tzr_library(void) {
#if defined(__UCLIBC__)
    /* uClibc-ng's version, from <features.h> at build time. */
    return "uClibc-ng " TZR_STRING_OF(__UCLIBC_MAJOR__) "." TZR_STRING_OF(__UCLIBC_MINOR__) "." TZR_STRING_OF(
        __UCLIBC_SUBLEVEL__);
#elif defined(_NEWLIB_VERSION)
    /* newlib's version, from <newlib.h> at build time. */
    return "newlib " _NEWLIB_VERSION;
#elif defined(__GLIBC__)
    static char text[64];
    if (text[0] == '\0') {
        strcpy(text, "glibc ");
        strncat(text, gnu_get_libc_version(), sizeof text - sizeof "glibc ");
    }
    return text;
#elif defined(TZR_MUSL_VERSION)
    /* musl has no call that tells its version; the build took it from the
     * musl it links (its libc.so prints it). */
    return "musl " TZR_STRING_OF(TZR_MUSL_VERSION);
#else
    return "unknown unknown";
#endif
}

/* The first TZR_ABBR_MAX bytes of a name, NUL-terminated (strncpy would
 * fill the rest of the buffer with NULs at every sample). */
static void copy_abbr(char *abbr, const char *name) {
    const size_t n = strnlen(name, TZR_ABBR_MAX);
    memcpy(abbr, name, n);
    abbr[n] = '\0';
}

static void read_at(long long t, struct tzr_span *span) {
    const time_t when = (time_t)t;
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    span->at = t;
    span->offset = 0;
    span->isdst = 0;
    span->abbr[0] = '\0';
    if (localtime_r(&when, &tm) != NULL) {
#ifdef TZR_NO_TM_GMTOFF
        /* The offset is local time less UTC, both as seconds of the same
         * proleptic calendar. */
        span->offset = (long)(days_from_civil(tm.tm_year + 1900LL, tm.tm_mon + 1, tm.tm_mday) * 86400 +
                              tm.tm_hour * 3600LL + tm.tm_min * 60LL + tm.tm_sec - t);
#else
        span->offset = tm.tm_gmtoff;
#endif
        span->isdst = tm.tm_isdst > 0;
#ifdef TZR_NO_TM_ZONE
        /* The name tzset took from the string for that half of the year. */
        if (tzname[span->isdst] != NULL) copy_abbr(span->abbr, tzname[span->isdst]);
#else
        if (tm.tm_zone != NULL) copy_abbr(span->abbr, tm.tm_zone);
#endif
    }
}

static int same(const struct tzr_span *a, const struct tzr_span *b) {
    return a->offset == b->offset && a->isdst == b->isdst && strcmp(a->abbr, b->abbr) == 0;
}

int tzr_read(const char *value, size_t size, long long from, long long to, long step, const long long *hints,
             size_t count, tzr_emit emit, void *context) {
    char text[TZR_VALUE_MAX + 1];
    struct tzr_span last, now, found;
    long long at, t, grid;
    size_t next = 0; /* the first hint not yet passed */
    const int refusal = tzr_check_value(value, size);
    if (refusal != TZR_READ) return refusal;
    if (step <= 0) step = TZR_STEP;
    memcpy(text, value, size);
    text[size] = '\0';
    if (setenv("TZ", text, 1) != 0) return TZR_TOO_LONG;
    tzset();

    /* Samples every `step` from
     * `from` and at each hint, the last at to - 1; each change between the
     * last change or sample and the next sample is found by halving. */
    read_at(from, &last);
    emit(context, &last);
    at = from;
    for (grid = from + step;;) {
        while (next < count && hints[next] <= at) ++next;
        t = next < count && hints[next] < grid ? hints[next] : grid;
        if (t >= to) t = to - 1;
        if (t > at) {
            read_at(t, &now);
            while (!same(&now, &last)) {
                long long lo = at, hi = t; /* lo reads as `last`, hi not */
                while (hi - lo > 1) {
                    const long long mid = lo + (hi - lo) / 2;
                    read_at(mid, &found);
                    if (same(&found, &last)) {
                        lo = mid;
                    } else {
                        hi = mid;
                    }
                }
                read_at(hi, &last);
                emit(context, &last);
                at = hi;
            }
            at = t;
        }
        if (t == to - 1) break;
        if (t == grid) grid += step;
    }
    return TZR_READ;
}

struct printer {
    FILE *out;
};

static void print_span(void *context, const struct tzr_span *span) {
    FILE *out = ((struct printer *)context)->out;
    const unsigned char *c;
    (void)fprintf(out, "at %lld %ld %d ", span->at, span->offset, span->isdst);
    for (c = (const unsigned char *)span->abbr; *c != '\0'; ++c) {
        if (*c >= '!' && *c <= '~' && *c != '\\') {
            (void)putc(*c, out);
        } else {
            (void)fprintf(out, "\\x%02X", (unsigned)*c);
        }
    }
    (void)putc('\n', out);
}

static int ascending(const void *a, const void *b) {
    const long long x = *(const long long *)a, y = *(const long long *)b;
    return (x > y) - (x < y);
}

/* A line of hints: numbers of up to 18 digits with an optional '-', between
 * spaces; any other word is passed over, as are the hints past `most`. The
 * first number is the string's sampling step, the rest are instants. The
 * instants kept, ascending; the step in *step where it is one (60..TZR_STEP_MAX).
 * Sets *eof at the end of the input. */
static size_t read_hints(FILE *in, long long *hints, size_t most, long *step, int *eof) {
    size_t count = 0, digits = 0;
    int c, negative = 0, bad = 0, first = 1;
    long long value = 0;
    do {
        c = getc(in);
        if (c == ' ' || c == '\n' || c == EOF) {
            if (digits > 0 && !bad && first) {
                if (!negative && value >= 60 && value <= TZR_STEP_MAX) *step = (long)value;
                first = 0;
            } else if (digits > 0 && !bad && count < most) {
                hints[count++] = negative ? -value : value;
            }
            digits = 0;
            negative = bad = 0;
            value = 0;
        } else if (c == '-' && digits == 0 && !negative) {
            negative = 1;
        } else if (c >= '0' && c <= '9' && digits < 18) {
            value = value * 10 + (c - '0');
            ++digits;
        } else { /* a 19th digit, a '-' inside, any other byte */
            bad = 1;
        }
    } while (c != '\n' && c != EOF);
    *eof = c == EOF;
    qsort(hints, count, sizeof *hints, ascending);
    return count;
}

long tzr_serve(FILE *in, FILE *out, long long from, long long to, long step, int hinted) {
    static long long hints[TZR_HINTS_MAX];
    char line[TZR_VALUE_MAX + 2]; /* one byte more than a value may have */
    struct printer printer;
    long records = 0;
    printer.out = out;
    for (;;) {
        size_t size = 0, count = 0;
        long own_step = step;
        int c, any = 0, refusal, eof = 0;
        /* Bytes up to '\n'; past the buffer they are counted, not kept. */
        while ((c = getc(in)) != EOF && c != '\n') {
            any = 1;
            if (size < sizeof line) line[size] = (char)c;
            if (size < sizeof line) ++size;
        }
        if (c == EOF && !any) break;
        if (hinted && c != EOF) count = read_hints(in, hints, TZR_HINTS_MAX, &own_step, &eof);
        refusal = tzr_read(line, size, from, to, own_step, hints, count, print_span, &printer);
        /* A write error shows in ferror, checked after each record; the
         * records go out as the buffer fills, not one write each. */
        if (refusal != TZR_READ) (void)fprintf(out, "refused %s\n", tzr_refusal_word(refusal));
        (void)fputs("end\n", out);
        ++records;
        if (ferror(out)) return -1;
        if (c == EOF || eof) break;
    }
    return fflush(out) == 0 && !ferror(out) ? records : -1;
}
