// SPDX-License-Identifier: MIT
// The reader's refusals in-process (tz_reader.h): nothing that could name a
// file reaches a C library; and the strings whose meaning the libraries leave
// to themselves. Its line handling is fuzzed (fuzz/fuzz_tz_reader.cpp) and
// its processes tested in test_libraries.cpp.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "system/libraries.hpp"
#include "readers/tz_reader.h"

namespace {

TEST(TzReader, RefusesWhatCouldNameAFile) {
    struct Row {
        std::string value;
        int refusal;
    };
    const Row rows[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", TZR_READ},  // the '/' of a rule time is the grammar's
        {"EST5EDT/x", TZR_READ},                   // an empty TZDIR has no first part of a path
        {"UTC", TZR_READ},                         // both libraries read UTC without a file
        {"A5", TZR_READ},                          // outside the grammar, but read without a file
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
    // Years past 2037 only where time_t has 64 bits.
    EXPECT_EQ(tzr_span_fits(tzr_year_start(2026), tzr_year_start(2039)), sizeof(time_t) == 8);
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

}  // namespace
