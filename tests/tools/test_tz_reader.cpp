// The TZ string reader's line handling in-process (tz_reader.h): what it
// refuses to hand to a C library, one record per line, the years; and the
// classification of strings whose meaning the libraries leave to themselves.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "libraries.hpp"
#include "timeline.hpp"
#include "tz_reader.h"

namespace {

TEST(TzReader, RefusesWhatCouldNameAFile) {
    struct Row {
        std::string value;
        int refusal;
    };
    const Row rows[] = {
        {"EST5EDT", TZR_READ},
        {"<+0545>-5:45", TZR_READ},
        {"<-03>3", TZR_READ},
        {"UTC", TZR_READ},  // musl and glibc read it as UTC without a file
        {"GMT", TZR_READ},
        {"A5", TZR_READ},  // outside the grammar, but musl reads it without a file
        {":EST5EDT", TZR_FILE_NAME},
        {":/etc/localtime", TZR_FILE_NAME},
        {"/usr/share/zoneinfo/Asia/Tokyo", TZR_FILE_NAME},
        {"./EST5EDT", TZR_FILE_NAME},
        {"../zoneinfo/EST5EDT", TZR_FILE_NAME},
        {"EST5/../../zoneinfo/EST5EDT", TZR_FILE_NAME},
        {"EST5EDT,M3.2.0,M11.1.0/.", TZR_FILE_NAME},
        {"EST5EDT/..", TZR_FILE_NAME},
        // A '/' before a rule time is the grammar's; below an empty TZDIR the
        // first part of a path is never found.
        {"CET-1CEST,M3.5.0,M10.5.0/3", TZR_READ},
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", TZR_READ},
        {"EST5EDT/x", TZR_READ},
        {"EST5EDT/.../x", TZR_READ},
        {"Asia/Tokyo", TZR_NOT_POSIX},
        {"Japan", TZR_NOT_POSIX},  // musl would read /usr/share/zoneinfo/Japan
        {"JST", TZR_NOT_POSIX},
        {"UTCX", TZR_NOT_POSIX},
        {"", TZR_NOT_POSIX},
        {".", TZR_FILE_NAME},
        {"..", TZR_FILE_NAME},
        {"5EST", TZR_NOT_POSIX},
        {"<JST>", TZR_NOT_POSIX},
        {std::string("EST5\0EDT", 8), TZR_NUL_BYTE},
        {std::string(TZR_VALUE_MAX, 'A') + "5", TZR_TOO_LONG},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(tzr_check_value(row.value.data(), row.value.size()), row.refusal) << row.value;
    }
}

// Serves `input` as the reader program does; its output.
std::string serve(std::string input, long long from, long long to) {
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    FILE *in = input.empty() ? std::fopen("/dev/null", "r") : fmemopen(input.data(), input.size(), "r");
    EXPECT_TRUE(out != nullptr && in != nullptr);
    if (out == nullptr || in == nullptr) return "";
    EXPECT_GE(tzr_serve(in, out, from, to, TZR_STEP), 0);
    std::fclose(in);
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    return result;
}

TEST(TzReader, AnswersEveryLineOnce) {
    const long long from = qeltz::year_start(2026), to = qeltz::year_start(2027);
    struct Row {
        std::string input, output;
    };
    const Row rows[] = {
        {"", ""},
        {"\n", "refused not-posix\nend\n"},
        {"JST-9", "at 1767225600 32400 0 JST\nend\n"},
        {":Japan\n<+0545>-5:45\n",
         "refused file-name\nend\nat 1767225600 20700 0 +0545\nend\n"},
        {std::string(400, 'A') + "\nUTC0\n", "refused too-long\nend\nat 1767225600 0 0 UTC\nend\n"},
        {"CET-1CEST,M3.5.0,M10.5.0/3\n",
         "at 1767225600 3600 0 CET\nat 1774746000 7200 1 CEST\nat 1792890000 3600 0 CET\nend\n"},
    };
    for (const Row &row : rows) EXPECT_EQ(serve(row.input, from, to), row.output) << row.input;
}

TEST(TzReader, YearsAsTheTool) {
    for (int year : {1, 1900, 1970, 2026, 2038, 2400, 9999}) {
        EXPECT_EQ(tzr_year_start(year), qeltz::year_start(year)) << year;
    }
    EXPECT_TRUE(tzr_span_fits(tzr_year_start(2026), tzr_year_start(2037)));
    EXPECT_FALSE(tzr_span_fits(tzr_year_start(2027), tzr_year_start(2026)));
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
        {"CET-1CEST", "daylight-without-rules", "(CEST)"},
        {"<+0330>-3:30<+0430>", "daylight-without-rules", "(+0430)"},
        {"EST5EDT,M3.2.0,M11.1.0", "", ""},
        {"<+0545>-5:45", "", ""},
        {"JST-9", "", ""},
        {"ABCDEF5", "", ""},
        {"ABCDEFG5", "long-name", "ABCDEFG is longer than six characters: musl keeps ABCDEF"},
        {"<ABCDEFGH>5<XYZ>,M3.2.0,M11.1.0", "long-name", "musl keeps ABCDEF"},
        {"AAA5ABCDEFGHI", "daylight-without-rules long-name", "ABCDEFGHI"},
        {"A5", "not-posix", "fewer than three letters"},
        {":Asia/Tokyo", "not-posix", "names a file"},
    };
    for (const Row &row : rows) {
        std::string kinds, texts;
        for (const auto &choice : qeltz::library_choices(row.tz)) {
            kinds += (kinds.empty() ? "" : " ") + choice.kind;
            EXPECT_FALSE(choice.text.empty()) << row.tz;
            texts += choice.text + "\n";
        }
        EXPECT_EQ(kinds, row.kinds) << row.tz;
        EXPECT_NE(texts.find(row.in_text), std::string::npos) << row.tz << ": " << texts;
    }
}

}  // namespace
