// The run functions of qel-tz's commands, one for each row of the command
// table (command_table.cpp). Each prints its result on stdout and returns the
// exit status; bad input is refused before a command runs (cli.hpp).
#pragma once

#include <string>

#include "cli.hpp"

namespace qeltz {

constexpr int kDone = 0;
constexpr int kFailure = 1;  // a failed check, or a tool or system failure
constexpr int kBadInput = 2;

// Settings records (record_commands.cpp).
int run_default(const Request &r);
int run_tz(const Request &r);
int run_zic(const Request &r);
int run_parse(const Request &r);
int run_zones(const Request &r);

// Places of the tz database (place_commands.cpp).
int run_place(const Request &r);
int run_places(const Request &r);
int run_check(const Request &r);

// One line on stderr; returns kBadInput or kFailure as given.
int complain(int status, const std::string &what);

// "zone 10100 (UTC+01:00), daylight saving 60 minutes from ... to ..."
std::string describe(const qel_tzset &r);

// "zic text:" and the text's lines, each as "  | line".
void print_zic_text(const std::string &zic);

}  // namespace qeltz
