// The command table: every row is reached by its name and shown in the
// tool's --help and manual page, so a new row needs nothing else there. And
// the text from files that commands print: nothing a terminal acts on.
#include <gtest/gtest.h>

#include <string>

#include "cli.hpp"
#include "commands.hpp"

namespace {

TEST(Cli, EveryCommandRowIsReachedAndDocumented) {
    const std::string help = qeltz::help_text(*qeltz::command_rows().begin());
    const std::string manual = qeltz::manual_page("0");
    for (const qeltz::Command &c : qeltz::command_rows()) {
        qeltz::Request request;
        std::string error;
        ASSERT_TRUE(qeltz::parse_request({c.name, "--help"}, 2026, request, error)) << c.name << ": " << error;
        EXPECT_EQ(request.command, &c) << c.name;
        const std::string name = c.name[0] != '\0' ? std::string(" ") + c.name : "";
        EXPECT_NE(help.find("qel-tz" + name + (c.synopsis[0] != '\0' ? " " : "") + c.synopsis), std::string::npos)
            << c.name;
        EXPECT_NE(manual.find(".B qel-tz\n" + (name.empty() ? "" : ".B" + name + "\n")), std::string::npos) << c.name;
    }
}

TEST(Cli, PrintableTextKeepsUtf8AndEscapesTheRest) {
    const char *const rows[][2] = {
        {"gate\r\n4\t\\", "gate\\r\\n4\\t\\\\"},
        {"\x1b[2J\x7f\x01", "\\x1b[2J\\x7f\\x01"},
        {"K\xc3\xb8ge \xe2\x82\xac \xf0\x9f\x98\x80", "K\xc3\xb8ge \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"\xc2\x9b"
         "2J",
         "\\xc2\\x9b2J"},  // C1 control CSI
        {"\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80",
         "\\xc0\\xaf \\xed\\xa0\\x80 \\xf4\\x90\\x80\\x80"},  // overlong, surrogate, past U+10FFFF
        {"\xe2\x82", "\\xe2\\x82"},                           // cut short
    };
    for (const auto &r : rows) EXPECT_EQ(qeltz::printable(r[0]), r[1]) << r[1];
}

}  // namespace
