// SPDX-License-Identifier: MIT
// --html FILE of audit, diff and place: one self-contained page (inline CSS
// and SVG, no script, nothing fetched, printable on A4) for a reader who
// runs none of the tool. Each page is written from what the command's JSON
// writes (the same verdict counts, reasons, schedules and instants), never
// worked out again; the timelines draw the engine's comparisons behind them
// (judge/drawn_timelines.hpp). The count elements carry data-count
// attributes, so that a check of the rendered page reads them.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commands/commands.hpp"
#include "judge/fleet_audit.hpp"
#include "judge/release_diff.hpp"

namespace qeltz {

// A row of the fleet as the audit's scratch file gives it back.
struct AuditPageRow {
    size_t line = 0, setting = SIZE_MAX;  // SIZE_MAX: a row the reader refused
    std::string device, place, invalid;
};

// What `audit` hands the page: its aggregation, settings and not rows, and
// one pass over the rows for the names the page lists.
struct AuditPage {
    std::string fleet, tzdir, read_by;
    const FleetAudit *audit = nullptr;
    const std::vector<FleetSetting> *settings = nullptr;
    const std::vector<size_t> *devices = nullptr;  // per setting
    // The summary's counts, as JSON writes them: per verdict word, per place.
    std::vector<std::pair<const char *, size_t>> totals;
    const std::map<std::string, std::array<size_t, 5>> *per_place = nullptr;
    std::function<Advice(size_t setting)> send;    // what to send a setting's devices
    std::function<bool(AuditPageRow &)> next_row;  // false after the last row
};

// Each writes FILE; false, with why, where it cannot be written (or a
// reader fails while the timelines are drawn).
bool write_audit_html(const std::string &file, const AuditPage &page, std::string &why);
// `send`: what the command says to send a place's devices (its advice).
bool write_diff_html(const std::string &file, const ReleaseDiff &diff, const std::vector<std::string> &folders,
                     const std::string &read_by, const std::function<Advice(const PlaceDiff &)> &send,
                     std::string &why);

// What `place` hands the page.
struct PlacePage {
    const Judgement *judged = nullptr;  // the place's record
    std::vector<Span> timeline;         // its local time over the window (Engine::timeline)
    Advice advice;                      // what the command says to send, drawn against the place
    bool right = false;                 // the outcome the exit status follows
    std::string read_by;
};
bool write_place_html(const std::string &file, const PlacePage &page, std::string &why);

}  // namespace qeltz
