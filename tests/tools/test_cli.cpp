// SPDX-License-Identifier: MIT
// The command table: every row is reached by its name and shown in the
// tool's --help and manual page, so a new row needs nothing else there; the
// options with their arguments in both.
// Every reason kind has its row in docs/places.md. Text from outside reaches
// a terminal and JSON escaped; instants are written by the tool's calendar.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/cli.hpp"
#include "formats/escaping.hpp"
#include "formats/json.hpp"
#include "formats/posix_tz.hpp"
#include "formats/time_text.hpp"
#include "judge/reasons.hpp"
#include "system/process.hpp"

namespace {

TEST(Cli, EveryCommandRowIsReachedAndDocumented) {
    const std::string help = qeltz::help_text(*qeltz::command_rows().begin());
    const std::string manual = qeltz::manual_page("0");
    for (const qeltz::Command &c : qeltz::command_rows()) {
        qeltz::Request request;
        std::string error;
        ASSERT_TRUE(qeltz::parse_request({c.name, "--help"}, 1796601600, request, error)) << c.name << ": " << error;
        EXPECT_EQ(request.command, &c) << c.name;
        const std::string name = c.name[0] != '\0' ? std::string(" ") + c.name : "";
        EXPECT_NE(help.find("qel-tz" + name + (c.synopsis[0] != '\0' ? " " : "") + c.synopsis), std::string::npos)
            << c.name;
        EXPECT_NE(manual.find(".B qel-tz\n" + (name.empty() ? "" : ".B" + name + "\n")), std::string::npos) << c.name;
    }
    for (const qeltz::Option &o : qeltz::option_rows()) {
        const std::string arg = o.arg[0] != '\0' ? std::string(" ") + o.arg : "";
        EXPECT_NE(help.find(std::string("\n  ") + o.name + arg + "\n      "), std::string::npos) << o.name;
        std::string roff;  // the name with its dashes escaped, and the argument quoted
        for (const char *c = o.name; *c != '\0'; ++c) roff += *c == '-' ? std::string("\\-") : std::string(1, *c);
        EXPECT_NE(manual.find(".BR " + roff + (arg.empty() ? "" : " \" \" \"" + arg.substr(1) + "\"") + "\n"),
                  std::string::npos)
            << o.name;
    }
}

TEST(Cli, EveryReasonKindHasARowInTheDocs) {
    std::string docs;
    ASSERT_TRUE(qeltz::read_file(QEL_SOURCE_DIR "/docs/places.md", docs));
    for (size_t k = 0; k < static_cast<size_t>(qeltz::ReasonKind::kCount); ++k) {
        const std::string word = qeltz::kind_word(static_cast<qeltz::ReasonKind>(k));
        EXPECT_NE(docs.find("\n| `" + word + "` |"), std::string::npos) << word;
    }
}

TEST(Output, EscapesWhatIsNotPrintableText) {
    struct Row {
        std::string in, terminal, json;
    };
    // UTF-8 as it is: the first and last of each length, and past the surrogates.
    const std::string kept =
        " ~\xC2\xA0\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    const Row rows[] = {
        {kept, kept, "\"" + kept + "\""},
        {"Caf\xE9", "Caf\\xE9", "\"Caf\\ufffd\""},  // a Latin-1 byte
        {"\x1F\x1B[2J\x7F\xC2\x9B\xC2\x9F", "\\x1F\\x1B[2J\\x7F\\xC2\\x9B\\xC2\\x9F",
         "\"\\u001f\\u001b[2J\\u007f\\u009b\\u009f\""},  // C0, DEL, C1
        {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82", "\\xC0\\xAF\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xE2\\x82",
         "\"\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\""},  // overlong, surrogate,
                                                                                                // past U+10FFFF, cut
        {"\xE0\x9F\xBF", "\\xE0\\x9F\\xBF", "\"\\ufffd\\ufffd\\ufffd\""},  // overlong: U+07FF in three bytes
        {"a\\b\"c\n", "a\\x5Cb\"c\\x0A", "\"a\\\\b\\\"c\\n\""},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(qeltz::shown(row.in), row.terminal) << row.in;
        char *text = nullptr;
        size_t size = 0;
        FILE *out = open_memstream(&text, &size);
        ASSERT_NE(out, nullptr);
        qeltz::JsonWriter(out).string(row.in);
        std::fclose(out);
        EXPECT_EQ(std::string(text, size), row.json) << row.in;
        std::free(text);
    }
}

// Instants by the tool's own calendar, whatever time_t's width: the hand-
// worked rows (2^31 and 2^32 seconds, leap days of 2400 and 1600), and every
// day of 1600-2499 read back to its day count; amounts of time by hand.
TEST(Output, WritesEveryInstantAsItsDateAndAmountsToTheSecond) {
    const std::pair<int64_t, const char *> rows[] = {
        {0, "1970-01-01 00:00:00"},           {-1, "1969-12-31 23:59:59"},
        {2147483648, "2038-01-19 03:14:08"},  {4294967296, "2106-02-07 06:28:16"},
        {13574649599, "2400-02-29 23:59:59"}, {-2203891200, "1900-03-01 00:00:00"},
        {-11670955200, "1600-02-29 12:00:00"}};
    for (const auto &[utc, text] : rows) EXPECT_EQ(qeltz::date_time_text(utc), text) << utc;
    EXPECT_EQ(qeltz::iso_utc(4294967296), "2106-02-07T06:28:16Z");
    EXPECT_EQ(qeltz::minute_text(4294967296), "2106-02-07 06:28");
    const std::pair<int64_t, const char *> durations[] = {{0, "0 seconds"},
                                                          {20, "20 seconds"},
                                                          {75, "1 minute 15 seconds"},
                                                          {3600, "1 hour"},
                                                          {3601, "1 hour 1 second"},
                                                          {9000, "2 hours 30 minutes"},
                                                          {4331, "1 hour 12 minutes 11 seconds"}};
    for (const auto &[seconds, text] : durations) EXPECT_EQ(qeltz::duration_text(seconds), text) << seconds;
    for (int64_t day = qeltz::days_from_civil(1600, 1, 1); day < qeltz::days_from_civil(2500, 1, 1); ++day) {
        const std::string text = qeltz::date_time_text(day * 86400 + 86399);
        const int64_t read = qeltz::days_from_civil(std::stoll(text.substr(0, 4)), std::stoi(text.substr(5, 2)),
                                                    std::stoi(text.substr(8, 2)));
        ASSERT_EQ(read, day) << text;
        ASSERT_EQ(text.substr(10), " 23:59:59") << text;
    }
}

}  // namespace
