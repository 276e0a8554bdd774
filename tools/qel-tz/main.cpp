// qel-tz: prepare and check device timezone settings with libqeltime.
// `qel-tz --help` lists the commands; cli.cpp holds their table.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "commands.hpp"

namespace {

int this_year() {
    const time_t now = time(nullptr);
    struct tm tm {};
    return gmtime_r(&now, &tm) != nullptr ? tm.tm_year + 1900 : 2026;
}

int run(const qeltz::Request &r) {
    using qeltz::Command;
    if (r.help) {
        std::fputs(qeltz::help_text(r.command, r.command == Command::kDefault).c_str(), stdout);
        return qeltz::kDone;
    }
    switch (r.command) {
        case Command::kVersion:
            std::printf("qel-tz %s\n", QEL_VERSION);
            return qeltz::kDone;
        case Command::kTz:
        case Command::kZic:
            return qeltz::run_writer(r);
        case Command::kParse:
            return qeltz::run_parse(r);
        case Command::kZones:
            return qeltz::run_zones(r);
        case Command::kPlace:
            return qeltz::run_place(r);
        case Command::kPlaces:
            return qeltz::run_places(r);
        case Command::kCheck:
            return qeltz::run_check(r);
        case Command::kDefault:
            break;
    }
    return qeltz::run_default(r);
}

}  // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    qeltz::Request request;
    std::string error;
    if (!qeltz::parse_request(args, this_year(), request, error)) {
        return qeltz::complain(qeltz::kBadInput, error + " (see qel-tz --help)");
    }
    const int status = run(request);
    // Output that could not be written (a full disk, a closed pipe) is a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        return qeltz::complain(qeltz::kFailure, std::string("cannot write the output: ") + std::strerror(errno));
    }
    return status;
}
