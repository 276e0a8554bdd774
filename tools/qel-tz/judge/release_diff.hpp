// SPDX-License-Identifier: MIT
// Two releases of the tz database side by side, place by place, over a
// window: the record derived from each, verified against its own release,
// and the old record's TZ string read against the new release. This is what
// a device holds after a release until someone sends it a new setting, so the
// question answered is which stored strings the new release makes wrong, and
// from when.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "judge/judgement.hpp"
#include "system/database.hpp"
#include "system/libraries.hpp"

namespace qeltz {

// What changed for a place; the first that applies, in this order (the
// order of change_name's words).
enum class ReleaseChange {
    kAdded,    // a place of the new release only
    kRemoved,  // of the old release only
    kRecord,   // the derived record (or whether there is one)
    kNames,    // the same record; the place's abbreviations in the window
    kVerdict,  // the same record and names; the place's local time or the record's verdict
};

const char *change_name(ReleaseChange change);

// A place as one release has it.
struct ReleaseSide {
    bool present = false;
    Judgement check;                 // the derived record, verified against this release
    std::vector<std::string> names;  // the place's abbreviations in the window, in order
};

struct PlaceDiff {
    std::string place;
    std::vector<std::string> also;  // the new release's links to the place
    ReleaseChange change = ReleaseChange::kVerdict;
    ReleaseSide old_side, new_side;
    // Where the old record's TZ string, as a C library reads it, gives a UTC
    // offset other than the new release's for the place, at instants where
    // it gave the old release's: what the new release makes wrong. Instants
    // where the old string was already wrong for the old release are not
    // counted again. Over the libraries: the earliest such instant, and the
    // longest wrong time one of them gives.
    int64_t wrong_from = Judgement::kNever;
    int64_t wrong_seconds = 0;
    // The new release's schedule for the place (judge/schedule.hpp): what
    // to send a device whose old string goes wrong (judge/advice.hpp).
    std::vector<Judgement> new_schedule;

    bool goes_wrong() const { return wrong_from != Judgement::kNever; }
    // Whether devices hold a TZ string from the old release (else there is
    // no wrong time to count, and hours_wrong is null).
    bool old_tz() const { return old_side.present && !old_side.check.tz.empty(); }
    // Whether devices of the place are told what to send: where the old
    // string goes wrong, and where the old release gave no string at all
    // (its devices hold something else) and the new one has the place.
    bool advised() const { return goes_wrong() || (!old_tz() && new_side.present); }
};

struct ReleaseDiff {
    std::string old_version, new_version;  // from each tzdata.zi
    Window window;
    std::vector<CLibrary> libraries;
    size_t old_places = 0, new_places = 0;
    // A row for each place where anything changed in the window: those going
    // wrong first, earliest first, then the others by name. Empty for the
    // same release twice.
    std::vector<PlaceDiff> places;
};

// The parts of the stretches `now` outside every stretch of `before` (each
// in order, apart): what is wrong now that was not wrong before.
std::vector<Difference> minus(const std::vector<Difference> &now, const std::vector<Difference> &before);

// Both folders are tz databases (database_problem says where one is not).
// False, with one line naming the problem, where a reader fails.
bool diff_releases(const std::string &old_dir, const std::string &new_dir, Window window,
                   const std::vector<CLibrary> &libraries, ReleaseDiff &diff, std::string &why);

}  // namespace qeltz
