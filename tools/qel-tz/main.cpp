// SPDX-License-Identifier: MIT
// qel-tz: prepare and check device timezone settings with libqeltime.
// `qel-tz --help` lists the commands; command_table.cpp holds their rows.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "commands/commands.hpp"
#include "system/scratch.hpp"

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
    // A file past the file size limit is a write that fails (EFBIG), which
    // the scratch files report, not a signal that ends the tool.
    (void)std::signal(SIGXFSZ, SIG_IGN);
    int status = qeltz::kDone;
    // Whatever is thrown ends in one line and status 2: scratch space that
    // cannot be used (system/scratch.hpp), memory that runs out, a thread
    // that cannot be started.
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        qeltz::Request request;
        std::string error;
        if (!qeltz::parse_request(args, static_cast<int64_t>(std::time(nullptr)), request, error)) {
            return qeltz::complain(qeltz::kBadInput, error + " (see qel-tz --help)");
        }
        status = run(request);
    } catch (const qeltz::ScratchError &e) {
        return qeltz::complain(qeltz::kBadInput, e.what());
    } catch (const std::bad_alloc &) {
        // Written without building a string: there may be no memory for one.
        (void)std::fputs("qel-tz: out of memory (a limit on this process, or the machine's)\n", stderr);
        return qeltz::kBadInput;
    } catch (const std::exception &e) {
        return qeltz::complain(qeltz::kBadInput, std::string("cannot go on: ") + e.what());
    } catch (...) {
        return qeltz::complain(qeltz::kBadInput, "cannot go on: an unknown failure");
    }
    // Output that could not be written (a full disk, a closed pipe) is a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        return qeltz::complain(qeltz::kFailure, std::string("cannot write the output: ") + std::strerror(errno));
    }
    return status;
}
