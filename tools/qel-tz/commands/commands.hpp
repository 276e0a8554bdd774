// SPDX-License-Identifier: MIT
// The run functions of qel-tz's commands, one for each row of the command
// table (command_table.cpp). Each prints its result on stdout and returns the
// exit status; bad input is refused before a command runs (cli.hpp).
#pragma once

#include <string>

#include "cli/cli.hpp"
#include "formats/escaping.hpp"
#include "formats/json.hpp"
#include "formats/time_text.hpp"
#include "judge/advice.hpp"
#include "judge/engine.hpp"
#include "judge/reasons.hpp"

namespace qeltz {

// The exit statuses, and what each means, said once for --help and the
// manual page (cli.cpp).
constexpr int kDone = 0;
constexpr int kFailure = 1;  // a failed check, or a tool or system failure
constexpr int kBadInput = 2;
extern const char *const kExitStatusText[3];

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

// The place table for firmware (table_command.cpp).
int run_table(const Request &r);

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
// a CSV field: the bytes as they are, quoted as RFC 4180 says (csv.hpp), so
// that a device name joins back to the fleet file;
std::string csv_field(const std::string &s);
// a record's CSV cells zone,dst_on,dst_minutes,start,end as a fleet file
// holds them (dst_minutes, start and end empty without daylight saving),
// all empty for none;
std::string record_cells(const qel_tzset *record);
// a count and its noun: "1 zone", "8 zones";
std::string counted(size_t n, const std::string &noun);
// reasons in JSON: an array of {"kind": ..., "text": ...}; in CSV the two
// cells reason_kinds (the kind words, separated by spaces) and reasons (the
// texts as a JSON array of strings, in the same order).
void write_reasons(JsonWriter &json, const std::vector<Reason> &reasons);
std::string reason_cells(const std::vector<Reason> &reasons);
// the top object of an output's JSON, opened with its first key "format",
// which names the output's shape and its version: "qel-tz/place/1"
// (docs/schema/ holds a schema for each).
JsonWriter &open_output(JsonWriter &json, const char *output);

// What the judging commands share: the C libraries --libc names;
std::vector<CLibrary> libraries_of(const Request &r);
// "glibc 2.36, musl 1.2.3", and what "all" meant where a reader is missing;
std::string read_by(const Request &r, const std::vector<CLibrary> &libraries);
// the window and the libraries as JSON keys "window" and "libraries";
void write_window_and_libraries(JsonWriter &json, Window window, const std::vector<CLibrary> &libraries);
// the window and the libraries as the text's header lines;
void print_window_and_libraries(Window window, const std::string &read_by);
// what a command's run came to, and its exit status, the one mapping of
// every command (kExitStatusText says what each status means): right 0,
// wrong 1, nothing judged (bad input) 2; a verdict is right where exact or offsets, the
// advice for a place where it is confirmed (judge/advice.hpp);
enum class Outcome { kRight, kWrong, kNothingJudged };
int status_of(Outcome outcome);
int status_of(Verdict v);
int status_of(const Advice &advice);
// a line on stderr, rewritten as the work goes on, where stderr is a
// terminal (nothing elsewhere), and its end;
Progress progress_line();
void end_progress(const Progress &progress);
// "wrong_from" and "hours_wrong" of a judgement as JSON keys;
void write_wrong(JsonWriter &json, const Judgement &j);
// a schedule (judge/schedule.hpp), its spans' judgements in order: as a JSON
// array of {from, until, record, tz, zic, reasons, approximate} (record, tz
// and zic null where no record expresses the span), as text lines, and as
// the CSV cell schedule, the same JSON array quoted (empty where one record
// holds over the window, or nothing is to be sent).
void write_schedule(JsonWriter &json, const ScheduleSpans &spans);
// what to send a device (judge/advice.hpp): its schedule in JSON, null for
// nothing; as text lines "  send: ...", "nothing" where it is wrong and no
// record expresses the place;
void write_schedule_or_null(JsonWriter &json, const Advice &send);
void print_send(const Advice &send, bool wrong);
void print_schedule(const ScheduleSpans &spans);
std::string schedule_cells(const ScheduleSpans &spans);

}  // namespace qeltz
