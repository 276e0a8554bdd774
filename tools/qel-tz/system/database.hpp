// SPDX-License-Identifier: MIT
// A tz database folder as the tool reads it: its version, its places (every
// compiled zone below it, or a file that should be one and is not), and a
// place loaded by name. A place name stays inside the folder: links within
// it are followed as the database's links, anything leading out is refused.
#pragma once

#include <string>
#include <vector>

#include "formats/tzif.hpp"
#include "judge/reasons.hpp"

namespace qeltz {

// A tz database directory and its version (from tzdata.zi, else "unknown").
struct TzDatabase {
    std::string dir, version;
    // Its places, listed once when an unknown name wants the nearest ones.
    mutable std::vector<std::string> places;
    mutable bool listed = false;
};
TzDatabase tz_database(const std::string &dir);

// A place as loaded: its name, file and database, and its compiled zone; or
// the problem that keeps it from being one (unknown-place, unreadable-zone,
// not-a-zone, damaged-zone).
struct Place {
    std::string name, path, tzdata;
    TzifZone zone;
    bool ok = false;
    Reason problem{ReasonKind::kUnknownPlace, ""};
};

// The places of a database, sorted by name: every file below the folder
// that is not one of the database's own text files (zone.tab, tzdata.zi, ...),
// without the posix/ and right/ copies and without links. A file that cannot
// be read or is no compiled zone is listed too: load_place names its problem.
// Empty for a folder that is no tz database: none of its own text files
// (tzdata.zi, zone.tab, zone1970.tab) and no compiled zone in it or one
// folder down.
std::vector<std::string> list_places(const std::string &tzdir);

// Why a text is no place name, or "": control or NUL bytes, an empty, "." or
// ".." part, a leading "/".
std::string place_name_problem(const std::string &name);

// Loads a place by name. Place::ok false, with the problem, for a name that
// is not a readable compiled zone of the database (an unknown name gets the
// nearest names of the database as suggestions).
Place load_place(const TzDatabase &db, const std::string &name);

// The places of the database nearest to a name not found in it (by edit
// distance, letters compared without case), at most three.
std::vector<std::string> nearest_places(const TzDatabase &db, const std::string &name);

}  // namespace qeltz
