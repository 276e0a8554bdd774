// SPDX-License-Identifier: MIT
// Two releases of the tz database side by side, place by place, over a span
// of years: the record derived from each, verified against its own release,
// and the old record's TZ string read against the new release. This is what
// a device holds after a release until someone sends it a new setting, so the
// question answered is which stored strings the new release makes wrong, and
// from when.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/database.hpp"

namespace qeltz {

// What changed for a place; the first that applies, in this order (the
// order of change_name's words).
enum class ReleaseChange {
    kAdded,    // a place of the new release only
    kRemoved,  // of the old release only
    kRecord,   // the derived record (or whether there is one)
    kNames,    // the same record; the place's abbreviations in the years
    kVerdict,  // the same record and names; the place's local time or the record's verdict
};

const char *change_name(ReleaseChange change);

// A place as one release has it.
struct ReleaseSide {
    bool present = false;
    PlaceCheck check;                // the derived record, verified against this release
    std::vector<std::string> names;  // the place's abbreviations in the years, as first used
};

struct PlaceDiff {
    std::string place;
    std::vector<std::string> also;  // the new release's links to the place
    ReleaseChange change = ReleaseChange::kVerdict;
    ReleaseSide old_side, new_side;
    // Where the old record's TZ string gives a UTC offset other than the new
    // release's for the place, at instants where it gave the old release's:
    // what the new release makes wrong. Instants where the old string was
    // already wrong for the old release are not counted again.
    std::vector<Difference> wrong;
    int64_t wrong_seconds = 0;

    bool goes_wrong() const { return !wrong.empty(); }
    int64_t wrong_from() const { return wrong.empty() ? 0 : wrong.front().utc; }
};

struct ReleaseDiff {
    std::string old_version, new_version;  // from each tzdata.zi
    Years years;
    size_t old_places = 0, new_places = 0;
    // A row for each place where anything changed in the years: those going
    // wrong first, earliest first, then the others by name. Empty for the
    // same release twice.
    std::vector<PlaceDiff> places;
};

// False, with one line naming the problem, where a folder holds no compiled
// zones.
bool diff_releases(const std::string &old_dir, const std::string &new_dir, Years years, ReleaseDiff &diff,
                   std::string &why);

}  // namespace qeltz
