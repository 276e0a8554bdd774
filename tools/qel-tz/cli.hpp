// The command line of qel-tz, read into a request. A pure function of the
// arguments, so that every refusal is a message and nothing is half done.
#pragma once

#include <string>
#include <vector>

#include "place_check.hpp"
#include "qel_time.h"

namespace qeltz {

enum class Command { kDefault, kTz, kZic, kParse, kZones, kPlace, kPlaces, kCheck, kVersion };

struct Request {
    Command command = Command::kDefault;
    bool help = false;  // --help: the command's help instead of running it
    bool json = false, csv = false;
    qel_tzset record{};  // tz, zic, check --zone
    bool has_record = false;
    std::string tz;     // parse's argument, check --tz
    std::string place;  // place NAME, check --place
    Years years;
    std::string tzdir;  // "" for $TZDIR, else /usr/share/zoneinfo
};

// Reads the arguments after the program name. False, with one line that
// names the bad field in `error`, for anything the tool refuses.
// `this_year` is the first of the default years (this year and the next ten).
bool parse_request(const std::vector<std::string> &args, int this_year, Request &request, std::string &error);

// The help of the whole tool, or of one command.
std::string help_text(Command command, bool whole);

// The manual page qel-tz(1), in troff, written from the same tables as the
// help, with the examples and exit status.
std::string manual_page(const std::string &version);

}  // namespace qeltz
