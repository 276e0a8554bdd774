// SPDX-License-Identifier: MIT
// The run functions of qel-tz's commands, one for each row of the command
// table (command_table.cpp). Each prints its result on stdout and returns the
// exit status; bad input is refused before a command runs (cli.hpp).
#pragma once

#include <string>

#include "cli/cli.hpp"
#include "formats/escaping.hpp"
#include "formats/json.hpp"
#include "judge/reasons.hpp"

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

// Releases and fleets (diff_command.cpp, audit_command.cpp).
int run_diff(const Request &r);
int run_audit(const Request &r);

// One line on stderr; returns kBadInput or kFailure as given.
int complain(int status, const std::string &what);
// One line on stderr about a result that stands but that a device may get
// wrong: "qel-tz: note: ...".
void note(const std::string &what);

// "zone 10100 (UTC+01:00), daylight saving 60 minutes from ... to ..."
std::string describe(const qel_tzset &r);

// "zic text:" and the text's lines, each as "  | line".
void print_zic_text(const std::string &zic);

// What the commands share (command_support.cpp):
// the tz database: --tzdir, else $TZDIR, else /usr/share/zoneinfo;
std::string tzdir_of(const Request &r);
// a CSV field: shown as for a terminal (escaping.hpp), in quotes where it
// holds a comma or a quote;
std::string csv_field(const std::string &s);
// a record's CSV cells zone,dst_on,dst_minutes,start,end as a fleet file
// holds them (dst_minutes, start and end empty without daylight saving),
// all empty for none;
std::string record_cells(const qel_tzset *record);
// an instant as ISO 8601 UTC: "2027-03-28T01:00:00Z";
std::string iso_utc(int64_t utc);
// a count and its noun: "1 zone", "8 zones";
std::string counted(size_t n, const std::string &noun);
// reasons in JSON: an array of {"kind": ..., "text": ...}.
void write_reasons(JsonWriter &json, const std::vector<Reason> &reasons);

}  // namespace qeltz
