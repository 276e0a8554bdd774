// SPDX-License-Identifier: MIT
// A fleet against a tz database: each distinct setting devices hold
// (fleet.hpp) verified against its place over the years, as `check` does,
// and the record to send to the place's devices, as `place` derives it. The
// work is once per distinct (place, string or record) and once per place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/fleet_file.hpp"
#include "system/database.hpp"

namespace qeltz {

struct SettingAudit {
    std::string invalid;  // why the setting cannot be checked (a place the database does not have)
    PlaceCheck check;     // the setting against its place; its TZ string's verdict is the devices'
    size_t place = 0;     // into FleetAudit::sends

    bool wrong() const {
        return check.tz_verdict == Verdict::kDiffers || check.tz_verdict == Verdict::kUnrepresentable;
    }
    // The first instant at which the devices show a wrong UTC offset, if any.
    bool has_wrong_from() const { return !check.tz_comparison.differences.empty(); }
    int64_t wrong_from() const { return has_wrong_from() ? check.tz_comparison.differences.front().utc : 0; }
    double hours_wrong() const { return static_cast<double>(check.tz_comparison.wrong_seconds) / 3600.0; }
};

struct FleetAudit {
    std::string tzdata;
    Years years;
    std::vector<SettingAudit> settings;  // as Fleet::settings
    // For each place: the record derived from it, verified.
    std::vector<PlaceCheck> sends;
    std::string failure;  // why the checks could not be made (a C library's reader failed), or ""

    // What to send to the devices of a setting: its place's record, or null
    // where no record expresses the place in the years.
    const PlaceCheck *send(const SettingAudit &a) const {
        const PlaceCheck &s = sends[a.place];
        return s.has_record && s.tz_verdict != Verdict::kUnrepresentable ? &s : nullptr;
    }
};

// Every distinct setting and every place's own record checked in one run:
// one zic run, one reader process per C library.
FleetAudit audit_fleet(const Fleet &fleet, const std::string &tzdir, Years years);

}  // namespace qeltz
