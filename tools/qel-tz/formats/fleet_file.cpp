// SPDX-License-Identifier: MIT
#include "formats/fleet_file.hpp"

#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_map>
#include <utility>

#include "formats/csv.hpp"
#include "formats/posix_tz.hpp"
#include "judge/catalogue_view.hpp"
#include "judge/derive.hpp"

namespace qeltz {

namespace {

// The record's columns come last, from kZone on.
enum Column : size_t { kDevice, kPlace, kLibc, kTz, kZone, kDstOn, kDstMinutes, kStart, kEnd, kColumns };
constexpr const char *kColumnNames[kColumns] = {"device", "place",       "libc",  "tz", "zone",
                                                "dst_on", "dst_minutes", "start", "end"};
constexpr size_t kAbsent = static_cast<size_t>(-1);
constexpr size_t kMostChecked = 4096;  // TZ strings whose reading a FleetReader keeps

using Columns = std::array<size_t, kColumns>;  // where each column is, or kAbsent
static_assert(kColumns == 9, "FleetReader keeps where the columns are");

bool has_record_columns(const Columns &at) {
    for (size_t c = kZone; c < kColumns; ++c) {
        if (at[c] == kAbsent) return false;
    }
    return true;
}

// The header's names, trimmed of spaces and compared without case.
bool read_header(const CsvRow &header, Columns &at, std::string &why) {
    at.fill(kAbsent);
    for (size_t i = 0; i < header.fields.size(); ++i) {
        std::string name = header.fields[i];
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        for (char &ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        for (size_t c = 0; c < kColumns; ++c) {
            if (name != kColumnNames[c]) continue;
            if (at[c] != kAbsent) {
                why = std::string("the header row names the column ") + kColumnNames[c] + " twice";
                return false;
            }
            at[c] = i;
        }
    }
    for (Column c : {kDevice, kPlace}) {
        if (at[c] == kAbsent) {
            why = std::string("the header row names no ") + kColumnNames[c] + " column";
            return false;
        }
    }
    bool some_record_column = false;
    for (size_t c = kZone; c < kColumns; ++c) some_record_column = some_record_column || at[c] != kAbsent;
    // Beside a tz column, a column that only shares a record column's name
    // ("zone" meaning a sales region) is passed over like any other.
    if (some_record_column && !has_record_columns(at) && at[kTz] == kAbsent) {
        size_t missing = kZone;
        while (at[missing] != kAbsent) ++missing;
        why = std::string("the header row has record columns but no ") + kColumnNames[missing];
        return false;
    }
    if (at[kTz] == kAbsent && !some_record_column) {
        why = "the header row names neither a tz column nor the record columns (zone, dst_on, dst_minutes, start, end)";
        return false;
    }
    return true;
}

bool cell_number(const std::string &cell, long long &n) {
    const char *end = cell.data() + cell.size();
    const auto [ptr, ec] = std::from_chars(cell.data(), end, n);
    return ec == std::errc() && ptr == end && !cell.empty();
}

// The record in a row's record columns; "" or why it cannot be read.
std::string read_record(const std::vector<std::string> &cells, const Columns &at, qel_tzset &record) {
    long long n = 0;
    const std::string &zone = cells[at[kZone]], &on = cells[at[kDstOn]];
    if (!cell_number(zone, n) || n < INT32_MIN || n > INT32_MAX ||
        qel::tz::find_zone(static_cast<int32_t>(n)) == nullptr)
        return "zone " + zone + " is not a zone code of the catalogue (qel-tz zones lists them)";
    record.zone = static_cast<int32_t>(n);
    if (on != "0" && on != "1") return "dst_on " + on + " is not 0 or 1";
    if (on == "0") return "";
    record.dst_on = 1;
    const std::string &minutes = cells[at[kDstMinutes]];
    if (!cell_number(minutes, n) || n < 0 || n > 120 || !tz_string_carries(static_cast<int32_t>(n)))
        return "dst_minutes " + minutes + " is not 30, 60, 90 or 120";
    record.dst_minutes = static_cast<int32_t>(n);
    for (Column c : {kStart, kEnd}) {
        PosixRule rule;
        std::string why;
        if (!parse_posix_rule(cells[at[c]], rule, why))
            return std::string(kColumnNames[c]) + " rule " + cells[at[c]] + ": " + why;
        if (!record_can_hold(rule))
            return std::string(kColumnNames[c]) + " rule " + cells[at[c]] +
                   ": a record holds only Mmonth.week.weekday rules at 00:00:00 to 24:00:00";
        (c == kStart ? record.start : record.end) = record_rule(rule);
    }
    char tz[256];
    const int32_t status = qel_tzset_to_tzstr(&record, tz, sizeof tz);
    if (status != QEL_OK) return "the device library refuses the record (" + std::to_string(status) + ")";
    return "";
}

// The setting a row holds; "" or why the row cannot be read. `checked` keeps
// what the TZ strings already read were found to be ("" or why not), so that
// each of the few distinct strings of a fleet is parsed once or so.
std::string read_setting(const CsvRow &r, size_t columns, const Columns &at, FleetSetting &s,
                         std::unordered_map<std::string, std::string> &checked) {
    if (!r.error.empty()) return r.error;
    if (r.fields.size() != columns)
        return std::to_string(r.fields.size()) + " fields where the header row has " + std::to_string(columns);
    if (r.fields[at[kDevice]].empty()) return "no device name";
    s.place = r.fields[at[kPlace]];
    if (s.place.empty()) return "no place";
    if (at[kLibc] != kAbsent) s.libc = r.fields[at[kLibc]];
    if (at[kTz] != kAbsent && !r.fields[at[kTz]].empty()) {
        s.tz = r.fields[at[kTz]];
        const auto known = checked.find(s.tz);
        if (known != checked.end()) return known->second;
        PosixTz parsed;
        std::string why;
        if (!parse_posix_tz(s.tz, parsed, why)) why = "tz " + s.tz + " is not a TZ string: " + why;
        // Memory stays bounded whatever the file holds: strings of a
        // reasonable length, and only so many of them.
        if (s.tz.size() > 256) return why;
        if (checked.size() == kMostChecked) checked.clear();
        return checked.emplace(s.tz, why).first->second;
    }
    bool record_cells = false;
    if (has_record_columns(at)) {
        for (size_t c = kZone; c < kColumns; ++c) record_cells = record_cells || !r.fields[at[c]].empty();
    }
    if (!record_cells) return "no TZ string and no record";
    return read_record(r.fields, at, s.record);
}

// What a record that runs over line ends took in, to follow the reason it
// is refused: "" for a record of one line.
std::string lines_taken(const CsvRow &r) {
    if (r.last_line == r.line) return "";
    const std::string quote =
        "; a quote opened on line " + std::to_string(r.quote_line) +
        (r.quote_closed != 0 ? " closes on line " + std::to_string(r.quote_closed) : " is not closed");
    if (r.last_line == r.line + 1)
        return quote + ": line " + std::to_string(r.last_line) + " was read as part of this row";
    return quote + ": lines " + std::to_string(r.line + 1) + "-" + std::to_string(r.last_line) +
           " were read as part of this row";
}

}  // namespace

bool operator<(const FleetSetting &a, const FleetSetting &b) {
    if (const int c = a.place.compare(b.place)) return c < 0;
    if (const int c = a.tz.compare(b.tz)) return c < 0;
    if (const int c = a.libc.compare(b.libc)) return c < 0;
    return std::memcmp(&a.record, &b.record, sizeof a.record) < 0;
}

FleetReader::FleetReader(size_t max_row) : max_row_(max_row) {}

FleetReader::~FleetReader() {
    if (owned_ != nullptr) std::fclose(owned_);
}

bool FleetReader::open(const std::string &path, std::string &why) {
    const bool standard_input = path == "-";
    std::FILE *in = standard_input ? stdin : std::fopen(path.c_str(), "rb");
    const std::string name = standard_input ? "on standard input" : path;
    // A file, a pipe or a terminal: a name may lead to a device that never ends.
    struct stat st {};
    if (in != nullptr && fstat(fileno(in), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) &&
        isatty(fileno(in)) == 0) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : 0;
    } else if (in != nullptr) {
        if (!standard_input) owned_ = in;
        return open(in, name, why);
    }
    why = "cannot read the fleet file " + name + ": " +
          (errno == 0 ? std::string("not a file, a pipe or a terminal") : std::strerror(errno));
    if (in != nullptr && !standard_input) std::fclose(in);
    return false;
}

bool FleetReader::open(std::FILE *in, const std::string &name, std::string &why) {
    return open(csv_source(in), name, why);
}

bool FleetReader::open(CsvSource source, const std::string &name, std::string &why) {
    name_ = name;
    csv_.emplace(std::move(source), max_row_);
    if (const char *encoding = csv_->foreign_encoding()) {
        why = std::string("the fleet file is ") + encoding + "; save it as UTF-8";
    } else if (!csv_->next(record_)) {
        why = csv_->read_error() != 0 ? "cannot read the fleet file " + name_ + ": " + std::strerror(csv_->read_error())
                                      : "no header row: the file is empty";
    } else if (!record_.error.empty()) {
        why = "the header row (line " + std::to_string(record_.line) + "): " + record_.error + lines_taken(record_);
    } else if (read_header(record_, at_, why)) {
        columns_ = record_.fields.size();
        lines_ = FleetLines{};
        lines_.header = record_.last_line - record_.line + 1;
        return true;
    } else {
        why += lines_taken(record_);
    }
    csv_.reset();
    return false;
}

bool FleetReader::next(FleetEntry &row) {
    if (!csv_) return false;
    if (!csv_->next(record_)) {
        if (csv_->read_error() != 0)
            error_ = "cannot read the fleet file " + name_ + ": " + std::strerror(csv_->read_error());
        lines_.file = csv_->lines();
        csv_.reset();
        return false;
    }
    row.line = record_.line;
    row.last_line = record_.last_line;
    ++lines_.rows;
    if (row.last_line > row.line) {
        if (lines_.multiline_rows++ == 0) lines_.first_multiline = row.line;
        lines_.in_multiline_rows += row.last_line - row.line + 1;
    }
    row.device = at_[kDevice] < record_.fields.size() ? record_.fields[at_[kDevice]] : "";
    row.place = at_[kPlace] < record_.fields.size() ? record_.fields[at_[kPlace]] : "";
    row.setting.place.clear();  // the strings keep their storage from row to row
    row.setting.tz.clear();
    row.setting.libc.clear();
    row.setting.record = qel_tzset{};
    row.invalid = read_setting(record_, columns_, at_, row.setting, checked_);
    if (!row.invalid.empty()) row.invalid += lines_taken(record_);
    return true;
}

bool each_row(FleetReader &reader, std::vector<FleetSetting> &settings,
              const std::function<void(const FleetEntry &, size_t)> &each, std::string &why,
              const std::function<std::string(const std::string &)> &libc_key) {
    std::map<FleetSetting, size_t> seen;
    FleetEntry entry;
    while (reader.next(entry)) {
        size_t setting = FleetRow::kInvalid;
        if (entry.invalid.empty()) {
            if (libc_key) entry.setting.libc = libc_key(entry.setting.libc);
            const auto [it, added] = seen.emplace(entry.setting, settings.size());
            if (added) settings.push_back(entry.setting);
            setting = it->second;
        }
        each(entry, setting);
    }
    why = reader.error();
    return why.empty();
}

namespace {

bool collect(FleetReader &reader, Fleet &fleet, std::string &why) {
    return each_row(
        reader, fleet.settings,
        [&fleet](const FleetEntry &entry, size_t setting) {
            fleet.rows.push_back({entry.line, entry.device, entry.place, setting, entry.invalid});
        },
        why);
}

}  // namespace

bool read_fleet(const std::string &text, Fleet &fleet, std::string &why) {
    fleet = Fleet{};
    FleetReader reader;
    return reader.open(csv_source(text), "text", why) && collect(reader, fleet, why);
}

bool read_fleet_file(const std::string &path, Fleet &fleet, std::string &why) {
    fleet = Fleet{};
    FleetReader reader;
    return reader.open(path, why) && collect(reader, fleet, why);
}

}  // namespace qeltz
