/* SPDX-License-Identifier: MIT */
/* The reader of TZ strings that qel-tz runs once per C library:
 * it hands each TZ string to the C library it is linked with and reports the
 * UTC offset, daylight flag and abbreviation in force at the start of a span
 * of time and at every change, each change to the second. The same sources
 * are built against glibc (tz-reader-glibc) and statically against musl
 * (tz-reader-musl); tz_reader_main.c is the program, this is its line
 * handling, which the fuzz target calls in-process.
 *
 * Every value is read as a POSIX TZ string only, never as a file of the
 * machine; see tzr_check_value and tzr_protect in tz_reader.c for how.
 *
 * The protocol (all lines end in '\n'):
 *   in:  one TZ string a line; a last line without '\n' counts as a line.
 *        Hinted (the reader's argument --hints): each TZ string's line is
 *        followed by a line of numbers separated by spaces: the string's
 *        own sampling step in seconds (60..TZR_STEP_MAX; another number keeps the
 *        reader's), then instants at which to read it besides the samples,
 *        UTC seconds in decimal (the changes the caller expects; anything
 *        else on the line is passed over)
 *   out: "reader NAME VERSION" once, then for each input line a record:
 *          "at SECONDS OFFSET ISDST ABBR" for the first second of the span and
 *                                        for each change, in increasing order
 *        or "refused WORD" (the string was not handed to the library),
 *        then "end".
 *        SECONDS is UTC, OFFSET seconds east of UTC, ISDST 0 or 1, ABBR the
 *        abbreviation with every byte outside '!'..'~' and the backslash
 *        written as \xHH (so an abbreviation may be empty).
 */
#ifndef QELTZ_TZ_READER_H
#define QELTZ_TZ_READER_H

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    TZR_VALUE_MAX = 255,          /* longer values are refused (a device's are < 64) */
    TZR_ABBR_MAX = TZR_VALUE_MAX, /* an abbreviation is a name in the value, or UTC */
    TZR_HINTS_MAX = 65536         /* hints of one string past these are passed over */
};

/* Why a value was not handed to the C library. */
enum tzr_refusal {
    TZR_READ = 0,  /* not refused */
    TZR_FILE_NAME, /* starts with ':' or '/', or has a "." or ".." part: names a file */
    TZR_NOT_POSIX, /* no offset after the name: musl would look for a file */
    TZR_NUL_BYTE,  /* holds a NUL byte, which no environment value can */
    TZR_TOO_LONG   /* longer than TZR_VALUE_MAX bytes */
};

/* The word for a refusal in the reader's output: "file-name", "not-posix",
 * "nul-byte", "too-long" ("" for TZR_READ). */
const char *tzr_refusal_word(int refusal);

/* TZR_READ, or why the value must not be handed to the C library (read
 * with a TZDIR from tzr_protect, no other value can reach a file). */
int tzr_check_value(const char *value, size_t size);

/* Makes an empty directory of this process's own under $TMPDIR (else /tmp)
 * and points TZDIR at it, so that glibc finds no file for any value and no
 * posixrules. Writes its path to dir (for rmdir at the end). 0, or -1 if
 * the directory could not be made. */
int tzr_protect(char *dir, size_t size);

/* Leaves TZDIR = dir alone in the environment (TZ is set for each string):
 * the C libraries look TZ up at every conversion, by a walk over the whole
 * environment, which a caller's long one makes the reader's main cost. 0,
 * or -1 if it could not be done. */
int tzr_lean_environment(const char *dir);

/* The first second of a year (1..9999), UTC. */
long long tzr_year_start(int year);

/* Whether every second of [from, to) fits this build's time_t. */
int tzr_span_fits(long long from, long long to);

/* The library this reader is built with: "glibc 2.36", "musl 1.2.3". */
const char *tzr_library(void);

struct tzr_span {
    long long at; /* UTC, the first second */
    long offset;  /* seconds east of UTC */
    int isdst;
    char abbr[TZR_ABBR_MAX + 1];
};

typedef void (*tzr_emit)(void *context, const struct tzr_span *span);

/* The default sampling step: an hour, which sees the one-hour state a year
 * that musl gives daylight time without rules ("EST5EDT": EST for an hour
 * from 04:00 UTC on 1 January, EDT all the rest of the year). */
enum { TZR_STEP = 3600 };

/* The longest step a string's hint line may give: 31 days (a reader that
 * is slow to ask is sampled at the expected changes and sparsely between). */
enum { TZR_STEP_MAX = 31 * 86400 };

/* Reads a value over [from, to) (from < to): emits the span in force at
 * `from` and then each change, and returns TZR_READ; or returns a refusal
 * and emits nothing. Local time is sampled every `step` seconds (> 0) and
 * at each of the `count` hints (ascending; those outside the span are passed
 * over), and each change between two samples is found by halving: a state
 * that lasts less than `step`, falls
 * between two samples and starts at no hint is not seen. */
int tzr_read(const char *value, size_t size, long long from, long long to, long step, const long long *hints,
             size_t count, tzr_emit emit, void *context);

/* Serves every line of `in` on `out` as the protocol says (without the
 * "reader" line), each TZ string's line followed by its step and hints where
 * `hinted`. The number of records written, or -1 on a write error. */
long tzr_serve(FILE *in, FILE *out, long long from, long long to, long step, int hinted);

#ifdef __cplusplus
}
#endif

#endif
