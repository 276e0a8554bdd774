// SPDX-License-Identifier: MIT
// A fleet against a tz database: each distinct setting devices hold
// (formats/fleet_file.hpp) judged against its place over the window, as
// `check` judges it, and the record to send to the place's devices, as
// `place` derives it; all in one engine run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/fleet_file.hpp"
#include "judge/judgement.hpp"
#include "system/libraries.hpp"

namespace qeltz {

struct SettingAudit {
    std::string invalid;  // why the setting cannot be judged (a place the database does not have)
    Judgement check;      // the setting against its place; its TZ string's verdict is the devices'
    size_t place = 0;     // into FleetAudit::sends
};

struct FleetAudit {
    std::string tzdata;
    Window window;
    std::vector<CLibrary> libraries;
    std::vector<SettingAudit> settings;  // as Fleet::settings
    // For each place: the record derived from it, judged.
    std::vector<Judgement> sends;
    std::string failure;  // why the judging failed (a C library's reader failed), or ""

    // What to send to the devices of a setting: its place's record, or null
    // where no record expresses the place over the window.
    const Judgement *send(const SettingAudit &a) const {
        const Judgement &s = sends[a.place];
        return s.has_record && s.tz_verdict != Verdict::kUnrepresentable ? &s : nullptr;
    }
};

FleetAudit audit_fleet(const Fleet &fleet, const std::string &tzdir, Window window,
                       const std::vector<CLibrary> &libraries);

}  // namespace qeltz
