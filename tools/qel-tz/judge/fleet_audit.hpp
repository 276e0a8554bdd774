// SPDX-License-Identifier: MIT
// A fleet against a tz database: each distinct setting devices hold
// (formats/fleet_file.hpp) judged against its place over the window, as
// `check` judges it, by the C libraries the command line or the row names;
// and what to send each place's devices, as `place` schedules it. The
// settings are judged in batches, one engine run each, so that memory stays
// bounded by the batch, not the fleet; each judgement is kept compact.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/fleet_file.hpp"
#include "judge/judgement.hpp"
#include "system/libraries.hpp"

namespace qeltz {

// One distinct setting as judged.
struct SettingVerdict {
    std::string invalid;  // why it cannot be judged: its place, or its libc cell
    Verdict verdict = Verdict::kUnrepresentable;
    int64_t wrong_from = Judgement::kNever;
    int64_t wrong_seconds = 0;
    bool has_tz = false;  // a TZ string was judged (else hours_wrong is null)
    std::vector<Reason> reasons;
    std::vector<std::string> libraries;  // those that judged it, where the row names its own
    size_t place = 0;                    // into FleetAudit::places

    bool judged() const { return invalid.empty(); }
    bool wrong() const { return judged() && is_failure(verdict); }
};

// What to send a place's devices: its schedule's spans, in order.
struct PlaceSchedule {
    std::string name;
    std::vector<Judgement> spans;  // empty where the place cannot be loaded
};

struct FleetAudit {
    std::string tzdata;
    Window window;
    std::vector<CLibrary> libraries;
    std::vector<SettingVerdict> settings;  // as given
    std::vector<PlaceSchedule> places;
    std::string failure;  // why the judging failed (a C library's reader failed), or ""
};

// The distinct settings judged `batch` at a time.
FleetAudit audit_settings(const std::vector<FleetSetting> &settings, const std::string &tzdir, Window window,
                          const std::vector<CLibrary> &libraries, size_t batch = 10000);

// The libraries a row's libc cell names, or why it names none this qel-tz
// can run ("" with `libraries` for an empty cell).
std::string row_libraries(const std::string &cell, const std::vector<CLibrary> &defaults,
                          std::vector<CLibrary> &libraries);

// The libc cell a setting is grouped by: "" where the cell names the
// libraries of `defaults` ("", "linux" and "glibc,musl,uclibc-ng" under
// --libc linux), else the names of those it names, in their order and once
// each ("musl,glibc" is "glibc,musl"); a cell naming none this qel-tz can run
// stays as it is, to be refused with its text.
std::string libc_setting(const std::string &cell, const std::vector<CLibrary> &defaults);

}  // namespace qeltz
