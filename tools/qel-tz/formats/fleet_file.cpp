// SPDX-License-Identifier: MIT
#include "formats/fleet_file.hpp"

#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>

#include "judge/catalogue_view.hpp"
#include "formats/csv.hpp"
#include "judge/derive.hpp"
#include "formats/posix_tz.hpp"
#include "system/process.hpp"

namespace qeltz {

namespace {

enum Column : size_t { kDevice, kPlace, kTz, kZone, kDstOn, kDstMinutes, kStart, kEnd, kColumns };
constexpr const char *kColumnNames[kColumns] = {"device", "place",       "tz",    "zone",
                                                "dst_on", "dst_minutes", "start", "end"};
constexpr size_t kAbsent = static_cast<size_t>(-1);

using Columns = std::array<size_t, kColumns>;  // where each column is, or kAbsent

bool has_record_columns(const Columns &at) {
    for (size_t c = kZone; c < kColumns; ++c) {
        if (at[c] == kAbsent) return false;
    }
    return true;
}

// The header's names, trimmed of spaces and compared without case.
bool read_header(const CsvRecord &header, Columns &at, std::string &why) {
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

// The setting a row holds; "" or why the row cannot be read.
std::string read_setting(const CsvRecord &r, size_t columns, const Columns &at, FleetSetting &s) {
    if (!r.error.empty()) return r.error;
    if (r.fields.size() != columns)
        return std::to_string(r.fields.size()) + " fields where the header row has " + std::to_string(columns);
    if (r.fields[at[kDevice]].empty()) return "no device name";
    s.place = r.fields[at[kPlace]];
    if (s.place.empty()) return "no place";
    if (at[kTz] != kAbsent && !r.fields[at[kTz]].empty()) {
        s.tz = r.fields[at[kTz]];
        PosixTz parsed;
        std::string why;
        return parse_posix_tz(s.tz, parsed, why) ? "" : "tz " + s.tz + " is not a TZ string: " + why;
    }
    if (!has_record_columns(at)) return "no TZ string, and the file has no record columns";
    return read_record(r.fields, at, s.record);
}

using SettingKey = std::tuple<std::string, std::string, std::array<int32_t, 17>>;
static_assert(sizeof(qel_tzset) == sizeof(int32_t) * 17, "a record is 17 numbers");

SettingKey key_of(const FleetSetting &s) {
    SettingKey key{s.place, s.tz, {}};
    std::memcpy(std::get<2>(key).data(), &s.record, sizeof s.record);
    return key;
}

}  // namespace

bool read_fleet(const std::string &text, Fleet &fleet, std::string &why) {
    fleet = Fleet{};
    const std::vector<CsvRecord> records = read_csv(text);
    if (records.empty()) {
        why = "no header row: the file is empty";
        return false;
    }
    Columns at{};
    if (!records[0].error.empty()) {
        why = "the header row (line " + std::to_string(records[0].line) + "): " + records[0].error;
        return false;
    }
    if (!read_header(records[0], at, why)) return false;
    std::map<SettingKey, size_t> seen;
    for (size_t i = 1; i < records.size(); ++i) {
        const CsvRecord &r = records[i];
        FleetRow row;
        row.line = r.line;
        if (at[kDevice] < r.fields.size()) row.device = r.fields[at[kDevice]];
        if (at[kPlace] < r.fields.size()) row.place = r.fields[at[kPlace]];
        FleetSetting s;
        row.invalid = read_setting(r, records[0].fields.size(), at, s);
        if (row.invalid.empty()) {
            const auto [it, added] = seen.emplace(key_of(s), fleet.settings.size());
            if (added) fleet.settings.push_back(s);
            row.setting = it->second;
        }
        fleet.rows.push_back(row);
    }
    return true;
}

bool read_fleet_file(const std::string &path, Fleet &fleet, std::string &why) {
    std::string text;
    if (!read_file(path == "-" ? "/dev/stdin" : path, text)) {
        why = "cannot read the fleet file " + (path == "-" ? std::string("on standard input") : path) + ": " +
              (errno == EINVAL ? "not a file, a pipe or a terminal" : std::strerror(errno));
        return false;
    }
    return read_fleet(text, fleet, why);
}

}  // namespace qeltz
