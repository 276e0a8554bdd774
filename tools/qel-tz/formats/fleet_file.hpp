// SPDX-License-Identifier: MIT
// A fleet file: the devices in the field and the setting each holds, as CSV
// (csv_records.hpp) with a header row naming its columns. `device` and
// `place` always; then `tz`, the TZ string a device holds, or the record's
// columns `zone` (a catalogue code), `dst_on`, `dst_minutes`, `start` and
// `end` (rules such as M3.5.0/02:00:00). A row whose tz cell is not empty
// holds that string, any other the record. Columns are named in any case
// and order; columns of other names are passed over.
//
// Fleets repeat a few settings over thousands of devices, so the rows point
// into a list of the distinct (place, string or record) pairs, and the work
// on a pair is done once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "qel_time.h"

namespace qeltz {

// What devices at a place hold: a TZ string, or (tz empty) a record.
struct FleetSetting {
    std::string place, tz;
    qel_tzset record{};
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

// False, with one line naming the problem, for a file refused whole: no
// header row, no device or place column, neither a tz column nor all the
// record columns, a column named twice.
bool read_fleet(const std::string &text, Fleet &fleet, std::string &why);

// The same for a file, or standard input for "-"; an unreadable file is
// refused whole.
bool read_fleet_file(const std::string &path, Fleet &fleet, std::string &why);

}  // namespace qeltz
