// SPDX-License-Identifier: MIT
// The commands of qel-tz, a row each (cli.hpp says what a row holds), with
// the checks that belong to each. --help and the manual page list them in
// this order; the run functions are in record_commands.cpp,
// place_commands.cpp, diff_command.cpp, audit_command.cpp and table_command.cpp.
#include "cli/cli.hpp"
#include "commands/commands.hpp"

namespace qeltz {

namespace {

// A record given on the line (tz, zic, check --zone): a zone, and daylight
// saving with both its rules or neither.
std::string record_problem(const Request &r) {
    const bool dst = r.given.has(Opt::kDst), start = r.given.has(Opt::kStart), end = r.given.has(Opt::kEnd);
    if (!r.has_record()) return std::string(r.command->name) + " needs --zone";
    if (dst && !(start && end)) return "--dst needs --start and --end";
    if (!dst && (start || end)) return "--start and --end need --dst";
    return "";
}

// One output format at a time.
std::string one_format(const Request &r) { return r.json && r.csv ? "--json and --csv do not go together" : ""; }

std::string check_zic(const Request &r) {
    std::string problem = record_problem(r);
    if (!problem.empty() || !r.given.has(Opt::kDst)) return problem;
    for (const qel_tzrule *rule : {&r.record.start, &r.record.end}) {
        if (rule->month == 2 && rule->week == 5) {
            return std::string(rule == &r.record.start ? "start" : "end") +
                   " rule: week 5 of February is written \"Feb Sun>=29\" (or another weekday), which zic refuses "
                   "in common years";
        }
    }
    return "";
}

std::string check_check(const Request &r) {
    if (!r.given.has(Opt::kTz) && !r.has_record()) return "check needs either --zone or --tz";
    if (r.given.has(Opt::kTz) && r.has_record()) return "check takes --zone or --tz, not both";
    std::string problem = r.has_record() ? record_problem(r) : "";
    if (!problem.empty()) return problem;
    return r.place.empty() ? "check needs --place NAME" : "";
}

// Two folders, each named: an empty name would be the working folder.
std::string check_diff(const Request &r) {
    for (const std::string &folder : r.arguments) {
        if (folder.empty()) return "diff needs two folders, not an empty name";
    }
    return one_format(r);
}

// table: the C files or JSON, one of them.
std::string check_table(const Request &r) {
    if (r.json == !r.out.empty())
        return r.json ? "--out and --json do not go together" : "table needs --out DIR or --json";
    return "";
}

constexpr OptionSet kRecordOptions = {Opt::kZone, Opt::kDst, Opt::kStart, Opt::kEnd};

// clang-format off
constexpr Command kCommands[] = {
    // name, synopsis,
    // summary,
    // options, arguments, run, check
    {"", "",
     "run the typical request end to end: a record for UTC+01:00 with an hour of daylight saving from the last "
     "Sunday of March to the last Sunday of October becomes a TZ string, is read back and becomes zic text, and the "
     "next changes zic gives are compared with those the C library gives",
     {}, 0, run_default, nullptr},
    {"tz", "--zone ZONE [--dst MINUTES --start RULE --end RULE]",
     "write the POSIX TZ string of a settings record",
     kRecordOptions, 0, run_tz, record_problem},
    {"zic", "--zone ZONE [--dst MINUTES --start RULE --end RULE]",
     "write the zic source text of a settings record",
     kRecordOptions, 0, run_zic, check_zic},
    {"parse", "TZ",
     "read a TZ string into a settings record, as the device library reads it",
     {}, 1, run_parse, nullptr},
    {"zones", "",
     "list the zones of the catalogue: codes, offsets and abbreviations",
     {}, 0, run_zones, nullptr},
    {"place", "NAME [--years A-B] [--tzdir DIR] [--libc LIB] [--html FILE]",
     "derive the settings record for a place of the tz database (such as Europe/Berlin) and verify its TZ string "
     "and zic text against the place at every instant of the window",
     {Opt::kYears, Opt::kTzdir, Opt::kLibc, Opt::kHtml}, 1, run_place, nullptr},
    {"places", "[--years A-B] [--tzdir DIR] [--libc LIB] [--csv]",
     "the same for every place of the database, one row each, with a summary",
     {Opt::kYears, Opt::kTzdir, Opt::kLibc, Opt::kCsv}, 0, run_places, one_format},
    {"check", "(--zone ZONE [--dst ...] | --tz TZ) --place NAME [--years A-B] [--tzdir DIR] [--libc LIB]",
     "compare a settings record, or any TZ string, with a place",
     {Opt::kZone, Opt::kDst, Opt::kStart, Opt::kEnd, Opt::kTz, Opt::kPlace, Opt::kYears, Opt::kTzdir, Opt::kLibc}, 0,
     run_check,
     check_check},
    {"diff", "OLD NEW [--years A-B] [--libc LIB] [--html FILE] [--csv]",
     "compare two releases of the tz database, folders of compiled zones with their tzdata.zi: a row for every zone "
     "whose record, verdict or abbreviations change, with the instant from which the TZ string devices hold from "
     "OLD gives a UTC offset NEW does not, most urgent first",
     {Opt::kYears, Opt::kLibc, Opt::kCsv, Opt::kHtml}, 2, run_diff, check_diff},
    {"audit", "FILE [--tzdir DIR] [--years A-B] [--libc LIB] [--html FILE] [--csv]",
     "check every device of a fleet file (CSV with a header row: device, place, and tz or the record's columns "
     "zone, dst_on, dst_minutes, start, end; - reads standard input) against its place: its verdict, from when it "
     "is wrong, and what to send it now",
     {Opt::kYears, Opt::kTzdir, Opt::kLibc, Opt::kCsv, Opt::kHtml}, 1, run_audit, one_format},
    {"table", "[--tzdir DIR] [--years A-B] [--libc LIB] [--places FILE] [--links] (--out DIR | --json)",
     "write a place table for firmware: every place's schedule of records, each exact or offsets for every library "
     "judged (or the nearest, said beside the place), as C99 source (qel_places.h, qel_places.c) that finds a "
     "place by name and gives the record in force at a time and until when it holds; its default window starts at "
     "the start of this year (00:00 UTC on 1 January), not this hour, so that a device whose clock is behind still "
     "finds its record",
     {Opt::kYears, Opt::kTzdir, Opt::kLibc, Opt::kPlaces, Opt::kLinks, Opt::kOut}, 0, run_table, check_table},
};
// clang-format on

}  // namespace

Rows<Command> command_rows() { return {kCommands, sizeof kCommands / sizeof kCommands[0]}; }

}  // namespace qeltz
