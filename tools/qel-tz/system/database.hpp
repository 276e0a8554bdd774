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

// A tz database directory, its version (from tzdata.zi, else "unknown") and
// why it is no tz database ("" where it is: database_problem).
struct TzDatabase {
    std::string dir, version, problem;
    // Its places, listed once when an unknown name wants the nearest ones.
    mutable std::vector<std::string> places;
    mutable bool listed = false;
};
TzDatabase tz_database(const std::string &dir);

// Why a folder is no tz database, in a line, or "": a tz database holds its
// own files (tzdata.zi, zone1970.tab or zone.tab) and compiled zones at its
// top or one folder down. A folder of other files is none, whatever links
// it holds (/etc, with localtime).
std::string database_problem(const std::string &tzdir);

// The names at a database's top that are no places (its text files, its
// posix/ and right/ copies, the machine's localtime link).
std::vector<std::string> not_places();

// A place as loaded: its name, file and database, and its compiled zone; or
// the problem that keeps it from being one (unknown-place, unreadable-zone,
// not-a-zone, damaged-zone, dangling-link, link-outside).
struct Place {
    std::string name, path, tzdata;
    TzifZone zone;
    bool ok = false;
    Reason problem{ReasonKind::kUnknownPlace, ""};
};

// The places of a database, sorted by name: every file below the folder
// but those of not_places(), and without the database's links (links that
// stay inside and lead to a compiled zone). A file that cannot be read or is
// no compiled zone is listed too, and so is a link that dangles, leads out of
// the folder or to no zone: load_place names its problem. Empty for a folder
// that is no tz database.
std::vector<std::string> list_places(const std::string &tzdir);

// Why a text is no place name, or "": longer than 255 bytes (shown cut, with
// "..."), control or NUL bytes, an empty, "." or ".." part, a leading "/".
std::string place_name_problem(const std::string &name);

// Loads a place by name. Place::ok false, with the problem, for a name that
// is not a readable compiled zone of the database (an unknown name gets the
// nearest names of the database as suggestions).
Place load_place(const TzDatabase &db, const std::string &name);

// The places of the database nearest to a name not found in it (by edit
// distance, letters compared without case), at most three.
std::vector<std::string> nearest_places(const TzDatabase &db, const std::string &name);

}  // namespace qeltz
