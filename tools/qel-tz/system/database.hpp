// SPDX-License-Identifier: MIT
// A place of the tz database against a device record: the record derived
// from the place (qel-tz place, places), or one given (qel-tz check), its TZ
// string as the C libraries read it and its zic text as zic compiles it, each
// compared with the place over every instant of the years.
#pragma once

#include <string>
#include <vector>

#include "qel_time.h"
#include "judge/reasons.hpp"
#include "formats/tzif.hpp"
#include "judge/verdict.hpp"
#include "system/zic_runner.hpp"

namespace qeltz {

// A tz database directory and its version (from tzdata.zi, else "unknown").
struct TzDatabase {
    std::string dir, version;
};
TzDatabase tz_database(const std::string &dir);

// A place as loaded: its name and database, the years its timeline covers,
// its compiled zone, and its own local time over those years once a check
// of it has run (check_run.hpp).
struct Place {
    std::string name, path, tzdata;
    Years years;
    TzifZone zone;
    std::vector<Span> timeline;
};

// How one C library reads a TZ string, against the place.
struct LibraryComparison {
    std::string library;  // "glibc 2.36"
    Comparison comparison;
};

struct PlaceCheck {
    std::string place, tzdata;
    Years years;
    std::string rule_line;               // the place's own rule (the compiled zone's TZ string)
    std::vector<std::string> libraries;  // the C libraries that read the TZ string, "glibc 2.36"
    bool has_record = false;
    qel_tzset record{};
    std::string tz, zic;         // empty: none
    bool tz_given = false;       // the TZ string is the one checked (check --tz), not a record's
    int32_t tz_read_status = 0;  // then: what the device library's reader returned for it
    // The derived record holds only through this year (0: every year; derive.hpp).
    int valid_through = 0;
    Verdict tz_verdict = Verdict::kUnrepresentable, zic_verdict = Verdict::kUnrepresentable;
    std::vector<Reason> reasons;
    std::vector<LibraryComparison> tz_comparisons;  // one per library that read the TZ string
    Comparison tz_comparison;                       // the first of them with the worst verdict
    std::string zic_library;                        // the C library that read zic's output
    Comparison zic_comparison;
};

// The places of a tz database directory: its compiled zones, sorted by name,
// without the posix/ and right/ copies and without links.
std::vector<std::string> list_places(const std::string &tzdir);

// Reads a place's compiled zone. False, with the reason (and its kind,
// unknown-place or damaged-zone, where `kind` is given), for a name that is
// not a readable compiled zone of the database; the name, the database's
// version and the years are filled in either way.
bool load_place(const TzDatabase &db, const std::string &name, Years years, Place &place, std::string &why,
                ReasonKind *kind = nullptr);

// A check of the place with nothing checked yet: the header fields (place,
// tzdata, years, the place's rule) filled in.
PlaceCheck check_of(const Place &place);

}  // namespace qeltz
