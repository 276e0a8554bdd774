// SPDX-License-Identifier: MIT
// A fleet file: the devices in the field and the setting each holds, as CSV
// (csv.hpp) with a header row naming its columns. `device` and
// `place` always; then `tz`, the TZ string a device holds, or the record's
// columns `zone` (a catalogue code), `dst_on`, `dst_minutes`, `start` and
// `end` (rules such as M3.5.0/02:00:00). A row whose tz cell is not empty
// holds that string, any other the record; a row with neither (its tz cell
// and every record cell empty) is invalid. An optional `libc` column names
// the C libraries of a row's device (glibc, musl, uclibc-ng, newlib, a comma
// list, linux or all; empty: those of the command line), which the audit
// checks. Columns are named in any case and order; columns of other names
// are passed over.
//
// FleetReader reads a file of any size in one pass, a row at a time, in
// bounded memory: a chunk of input, one row (csv.hpp), and what it found of
// up to 4,096 TZ strings of up to 256 bytes. Fleets repeat a few settings over
// thousands of devices: read_fleet collects the rows and points them into a
// list of the distinct (place, string or record) pairs, so that the work on a
// pair is done once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "formats/csv.hpp"
#include "qel_time.h"

namespace qeltz {

// What devices at a place hold: a TZ string, or (tz empty) a record; and
// the C libraries that judge it, as the optional libc column names them
// (empty: those the command line names).
struct FleetSetting {
    std::string place, tz;
    qel_tzset record{};
    std::string libc;
};

// An order of settings, for a map of the distinct ones: by place, TZ string,
// then the record's numbers.
bool operator<(const FleetSetting &a, const FleetSetting &b);

// A row longer than this, in bytes of the file, is invalid ("the row is
// longer than 64 KiB"), and reading goes on at the next line end.
constexpr size_t kFleetMaxRowBytes = kCsvMaxRecordBytes;

// A row as FleetReader yields it. A quoted field may run over line ends
// (a name may hold one); where such a row is invalid, its reason ends with
// the lines it took in: "; a quote opened on line 11 closes on line 18:
// lines 12-18 were read as part of this row".
struct FleetEntry {
    size_t line = 0;            // where the row starts in the file, from 1 (the header's line counts)
    size_t last_line = 0;       // the line it ends on
    std::string device, place;  // the cells as the file has them, "" where the row has none
    FleetSetting setting;       // what the device holds, where invalid is empty
    std::string invalid;        // why a row that cannot be read is refused
};

// How a file's physical lines were read: each line is the header's, a
// row's, or blank.
struct FleetLines {
    size_t file = 0;               // the file's lines, once it is read to its end
    size_t header = 0;             // the lines the header row takes
    size_t rows = 0;               // rows read, one a device
    size_t multiline_rows = 0;     // rows that run over more than one line
    size_t in_multiline_rows = 0;  // the lines those take
    size_t first_multiline = 0;    // the line the first of them starts on; 0 for none
    size_t blank() const { return file - header - (rows - multiline_rows) - in_multiline_rows; }
};

class FleetReader {
  public:
    explicit FleetReader(size_t max_row = kFleetMaxRowBytes);
    ~FleetReader();
    FleetReader(const FleetReader &) = delete;
    FleetReader &operator=(const FleetReader &) = delete;

    // Opens the file at `path` ("-": standard input) and reads its header
    // row. False, with one line naming the problem in `why`, for a file
    // refused whole: one that cannot be opened or is no file, pipe or
    // terminal (the cause from errno); one in UTF-16 or UTF-32; no header
    // row, no device or place column, neither a tz column nor all the record
    // columns, a column named twice.
    bool open(const std::string &path, std::string &why);
    // The same from `in`, which stays the caller's; `name` names it in errors.
    bool open(std::FILE *in, const std::string &name, std::string &why);
    bool open(CsvSource source, const std::string &name, std::string &why);

    // The next row; false at the end of the file, or where a read error ends
    // it early: then error() names the cause, and the rows read so far are
    // not the whole file.
    bool next(FleetEntry &row);
    const std::string &error() const { return error_; }
    // The lines of the rows read so far; `file` once next() has returned false.
    const FleetLines &lines() const { return lines_; }

  private:
    size_t max_row_;
    std::optional<CsvReader> csv_;
    CsvRow record_;
    std::array<size_t, 9> at_{};  // where each column is (fleet_file.cpp)
    size_t columns_ = 0;          // the header row's fields
    std::string name_, error_;
    FleetLines lines_;
    std::FILE *owned_ = nullptr;                            // a file open() opened, closed with the reader
    std::unordered_map<std::string, std::string> checked_;  // TZ strings read: "" or why not
};

struct FleetRow {
    static constexpr size_t kInvalid = static_cast<size_t>(-1);
    size_t line = 0;  // where the row starts in the file, from 1 (the header's line counts)
    std::string device, place;
    size_t setting = kInvalid;  // into Fleet::settings
    std::string invalid;        // why a row that cannot be read is refused
};

struct Fleet {
    std::vector<FleetRow> rows;
    std::vector<FleetSetting> settings;  // distinct, in the order of their first row
};

// Every row of an open reader in turn: each distinct setting once into
// `settings` (in the order of its first row), and `each` told every row with
// its setting's index there (FleetRow::kInvalid for a row that cannot be
// read). False, with the cause, where a read error ends the file early.
// `libc_key`, where given, turns a libc cell into the text its settings are
// told apart by, so that cells naming the same libraries make one setting.
bool each_row(FleetReader &reader, std::vector<FleetSetting> &settings,
              const std::function<void(const FleetEntry &, size_t)> &each, std::string &why,
              const std::function<std::string(const std::string &)> &libc_key = {});

// Every row of a text, as FleetReader reads it; false, with one line naming
// the problem, for a text refused whole.
bool read_fleet(const std::string &text, Fleet &fleet, std::string &why);

// The same for a file, or standard input for "-"; a file that cannot be read
// to its end is refused whole.
bool read_fleet_file(const std::string &path, Fleet &fleet, std::string &why);

}  // namespace qeltz
