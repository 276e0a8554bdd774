// SPDX-License-Identifier: MIT
// The reader's refusals in-process (tz_reader.h): nothing that could name a
// file reaches a C library; and the strings whose meaning the libraries leave
// to themselves. Its line handling is fuzzed (fuzz/fuzz_tz_reader.cpp) and
// its processes tested in test_libraries.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "readers/tz_reader.h"
#include "system/libraries.hpp"
#include "system/zic_runner.hpp"
#include "tools/occurrences.hpp"

namespace {

TEST(TzReader, RefusesWhatCouldNameAFile) {
    struct Row {
        std::string value;
        int refusal;
    };
    const Row rows[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", TZR_READ},  // the '/' of a rule time is the grammar's
        {"EST5EDT/x", TZR_READ},                   // an empty TZDIR has no first part of a path
        {"UTC", TZR_READ},                         // both libraries read UTC and GMT without a file
        {"GMT", TZR_READ},
        {"GMX", TZR_NOT_POSIX},  // musl would read /usr/share/zoneinfo/GMX
        {"A5", TZR_READ},        // outside the grammar, but read without a file
        {"azAZ5", TZR_READ},     // a name of the letters at each end of both cases
        {":EST5EDT", TZR_FILE_NAME},
        {"/usr/share/zoneinfo/Asia/Tokyo", TZR_FILE_NAME},
        {"../zoneinfo/EST5EDT", TZR_FILE_NAME},
        {"EST5/../../zoneinfo/EST5EDT", TZR_FILE_NAME},
        {"EST5EDT,M3.2.0,M11.1.0/.", TZR_FILE_NAME},
        {"Japan", TZR_NOT_POSIX},  // musl would read /usr/share/zoneinfo/Japan
        {"Asia/Tokyo", TZR_NOT_POSIX},
        {"<JST>", TZR_NOT_POSIX},
        {"", TZR_NOT_POSIX},
        {std::string("EST5\0EDT", 8), TZR_NUL_BYTE},
        {std::string(TZR_VALUE_MAX, 'A') + "5", TZR_TOO_LONG},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(tzr_check_value(row.value.data(), row.value.size()), row.refusal) << row.value;
    }
    // Years past 2037 only where time_t has 64 bits; no empty span.
    EXPECT_EQ(tzr_span_fits(tzr_year_start(2026), tzr_year_start(2039)), sizeof(time_t) == 8);
    EXPECT_FALSE(tzr_span_fits(tzr_year_start(2026), tzr_year_start(2026)));
}

TEST(LibraryChoices, NamesWhatTheLibraryDecides) {
    struct Row {
        const char *tz;
        const char *kinds;  // the kinds found, joined with spaces
        const char *in_text;
    };
    const Row rows[] = {
        {"EST5EDT", "daylight-without-rules", "daylight time (EDT) without the rules"},
        {"<+0330>-3:30<+0430>", "daylight-without-rules", "(+0430)"},
        {"EST5EDT,M3.2.0,M11.1.0", "", ""},
        {"ABCDEF5", "", ""},
        {"ABCDEFG5", "long-name", "ABCDEFG is longer than six characters: musl keeps ABCDEF"},
        {"AAA5<ABCDEFGHI>", "daylight-without-rules long-name", "musl keeps ABCDEF"},
        {"A5", "not-posix", "fewer than three letters"},
    };
    for (const Row &row : rows) {
        std::string kinds, texts;
        for (const auto &choice : qeltz::library_choices(row.tz)) {
            kinds += (kinds.empty() ? "" : " ") + std::string(qeltz::kind_word(choice.kind));
            texts += choice.text + "\n";
        }
        EXPECT_EQ(kinds, row.kinds) << row.tz;
        EXPECT_NE(texts.find(row.in_text), std::string::npos) << row.tz << ": " << texts;
    }
}

// The libraries that misread a string, named with the part: only those judged.
TEST(LibraryChoices, NamesWhatALibraryMisreads) {
    const qeltz::CLibrary uclibc{"uclibc-ng", "1.0.35", ""}, newlib{"newlib", "3.3.0", ""};
    struct Row {
        const char *tz;
        std::vector<qeltz::CLibrary> libraries;
        const char *kinds;
    };
    const Row rows[] = {
        {"IST-2IDT,M3.4.4/26,M10.5.0", {uclibc}, "drops-to-utc"},
        {"IST-2IDT,M3.4.4/26,M10.5.0", {newlib}, ""},
        {"IST-2IDT,M3.4.4/24,M10.5.0", {uclibc}, ""},
        {"ABCDEFG5", {uclibc}, "drops-to-utc"},
        {"<+05>-5", {uclibc, newlib}, "quoted-name-misread"},
        {"AAA2BBB,M3.5.0/-1,M10.5.0/0", {uclibc, newlib}, "drops-to-utc negative-rule-time"},
    };
    for (const Row &row : rows) {
        std::string kinds;
        for (const auto &r : qeltz::library_misreadings(row.tz, row.libraries)) {
            kinds += (kinds.empty() ? "" : " ") + std::string(qeltz::kind_word(r.kind));
        }
        EXPECT_EQ(kinds, row.kinds) << row.tz;
    }
}

// A change exactly at the window's end is outside it, whether a sample or a
// hint lands on the end: the reading is the one span at `from`.
TEST(TzReader, AChangeAtTheWindowsEndIsOutsideIt) {
    const long long change = 1774746000;  // 2026-03-29 01:00 UTC: CET to CEST
    struct Row {
        long long from;
        long step;
        std::vector<long long> hints;
    } rows[] = {
        {change - 86400, 3600, {}},        // the hourly samples reach the end
        {change - 5000, 86400, {change}},  // a hint at the end
    };
    const char *const tz = "CET-1CEST,M3.5.0,M10.5.0/3";
    const qeltz::ScopedTz kept("UTC0");  // the reader sets TZ; the other tests get theirs back
    for (const Row &row : rows) {
        std::vector<tzr_span> spans;
        const int status = tzr_read(
            tz, std::char_traits<char>::length(tz), row.from, change, row.step, row.hints.data(), row.hints.size(),
            [](void *to, const tzr_span *s) { static_cast<std::vector<tzr_span> *>(to)->push_back(*s); }, &spans);
        ASSERT_EQ(status, TZR_READ);
        ASSERT_EQ(spans.size(), 1u) << "from " << row.from;
        EXPECT_EQ(spans[0].at, row.from);
        EXPECT_EQ(spans[0].offset, 3600);
    }
}

// A hint is at most 18 digits, leading zeros counted, so that no number the
// reader takes can overflow: one of 19 is passed over like any malformed
// word. A week of daylight time in June falls between two monthly samples and
// is seen only at a hint inside it.
TEST(TzReader, AHintOfNineteenDigitsIsPassedOver) {
    const struct Row {
        const char *hints;
        size_t spans;
    } rows[] = {
        {"2678400 1781049600", 3},           // 2026-06-10: the week is seen
        {"2678400 000000001781049600", 3},   // 18 digits
        {"2678400 0000000001781049600", 1},  // 19 digits
        {"2678400 x1781049600", 1},         {"2678400", 1},
    };
    const qeltz::ScopedTz kept("UTC0");  // the reader sets TZ; the other tests get theirs back
    for (const Row &row : rows) {
        std::string in = std::string("AAA-1BBB,M6.1.0,M6.2.0\n") + row.hints + "\n";
        char *answer = nullptr;
        size_t size = 0;
        FILE *const input = fmemopen(in.data(), in.size(), "r");
        FILE *const output = open_memstream(&answer, &size);
        ASSERT_NE(input, nullptr);
        ASSERT_NE(output, nullptr);
        EXPECT_EQ(tzr_serve(input, output, 1767225600, 1798761600, TZR_STEP, 1), 1);
        (void)std::fclose(input);
        (void)std::fclose(output);
        const std::string text(answer, size);
        std::free(answer);
        EXPECT_EQ(occurrences("\n" + text, "\nat "), row.spans) << row.hints << ":\n" << text;
    }
}

// The readers' answer: an abbreviation's escaped bytes, even one followed by
// a hex digit, come back as they were; read as it comes, in pieces of any
// size, it gives the same readings (the last line's end may be missing).
TEST(TzReader, AnswerEscapesComeBack) {
    const std::string answer = "at 100 3600 0 \\x41B\nat 200 7200 1 a\\x5Cx41\nend\nrefused file-name\nend";
    for (size_t piece = 1; piece <= answer.size(); ++piece) {
        std::vector<qeltz::TzReading> readings(2);
        qeltz::ReaderAnswer reader(2, 100, 300, [&](size_t i, qeltz::TzReading &&r) { readings.at(i) = std::move(r); });
        for (size_t at = 0; at < answer.size(); at += piece)
            ASSERT_TRUE(reader.add(&answer[at], std::min(piece, answer.size() - at)));
        std::string why;
        ASSERT_TRUE(reader.finish(why)) << why;
        ASSERT_EQ(readings[0].spans.size(), 2u) << piece;
        EXPECT_EQ(readings[0].spans[0].abbr, "AB");
        EXPECT_EQ(readings[0].spans[1].abbr, "a\\x41");
        EXPECT_EQ(readings[1].refused, "file-name");
    }
}

// A span line is "at SECONDS OFFSET ISDST[ ABBR]" and nothing else: each
// malformed line stops the answer; the two forms of an empty name pass.
TEST(TzReader, AnswerLinesOutsideTheProtocolAreRefused) {
    struct Row {
        const char *line;
        bool taken;
    } rows[] = {
        {"at 100 3600 0 CET", true},
        {"at 100 3600 1", true},
        {"at 100 3600 0 ", true},
        {"at 100 3600 2 CET", false},
        {"at 100 3600 0CET", false},
        {"at 100 3600", false},
        {"at 100 3600 ", false},
        {"at 100 3600  0", false},
        {"at x 3600 0 CET", false},
        {"at 100 36x0 0 CET", false},
        {"at 100", false},
        {"at 99 3600 0 CET", false},
        {"At 100 3600 0 CET", false},
        {"", false},
        {"refused", false},
    };
    for (const Row &row : rows) {
        const std::string answer = std::string(row.line) + "\nend\n";
        std::vector<qeltz::TzReading> readings;
        std::string why;
        EXPECT_EQ(qeltz::parse_reader_answer(answer, 1, 100, 200, readings, why), row.taken) << row.line << ": " << why;
    }
}

}  // namespace
