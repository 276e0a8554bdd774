// The command table: every row is reached by its name and shown in the
// tool's --help and manual page, so a new row needs nothing else there.
#include <gtest/gtest.h>

#include <string>

#include "cli.hpp"

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

}  // namespace
