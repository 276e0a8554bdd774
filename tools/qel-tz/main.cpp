// SPDX-License-Identifier: MIT
// qel-tz: prepare and check device timezone settings with libqeltime.
// `qel-tz --help` lists the commands; command_table.cpp holds their rows.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "commands/commands.hpp"

namespace {

int run(const qeltz::Request &r) {
    if (r.help) {
        (void)std::fputs(qeltz::help_text(*r.command).c_str(), stdout);
        return qeltz::kDone;
    }
    if (r.version) {
        std::printf("qel-tz %s\n", QEL_VERSION);
        return qeltz::kDone;
    }
    return r.command->run(r);
}

}  // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    qeltz::Request request;
    std::string error;
    if (!qeltz::parse_request(args, static_cast<int64_t>(std::time(nullptr)), request, error)) {
        return qeltz::complain(qeltz::kBadInput, error + " (see qel-tz --help)");
    }
    const int status = run(request);
    // Output that could not be written (a full disk, a closed pipe) is a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        return qeltz::complain(qeltz::kFailure, std::string("cannot write the output: ") + std::strerror(errno));
    }
    return status;
}
