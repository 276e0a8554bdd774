// A place of the tz database against a device record: the record derived
// from the place (qel-tz place, places), or one given (qel-tz check), its TZ
// string as the C library reads it and its zic text as zic compiles it, each
// compared with the place over every instant of the years.
#pragma once

#include <string>
#include <vector>

#include "qel_time.h"
#include "tzif.hpp"
#include "verdict.hpp"
#include "zic_runner.hpp"

namespace qeltz {

// A tz database directory and its version (from tzdata.zi, else "unknown").
struct TzDatabase {
    std::string dir, version;
};
TzDatabase tz_database(const std::string &dir);

// A place as loaded: its name and database, the years its timeline covers,
// its compiled zone and its own local time over those years.
struct Place {
    std::string name, path, tzdata;
    Years years;
    TzifZone zone;
    std::vector<Span> timeline;
};

struct PlaceCheck {
    std::string place, tzdata;
    Years years;
    std::string rule_line;  // the place's own rule (the compiled zone's TZ string)
    bool has_record = false;
    qel_tzset record{};
    std::string tz, zic;  // empty: none
    // The derived record holds only through this year (0: every year; derive.hpp).
    int valid_through = 0;
    Verdict tz_verdict = Verdict::kUnrepresentable, zic_verdict = Verdict::kUnrepresentable;
    std::vector<std::string> reasons;
    Comparison tz_comparison, zic_comparison;
};

// The places of a tz database directory: its compiled zones, sorted by name,
// without the posix/ and right/ copies and without links.
std::vector<std::string> list_places(const std::string &tzdir);

// Reads a place and its local time over the years. False, with the reason,
// for a name that is not a compiled zone of the database; the name, the
// database's version and the years are filled in either way.
bool load_place(const TzDatabase &db, const std::string &name, Years years, Place &place, std::string &why);

// A check of the place with nothing checked yet: the header fields (place,
// tzdata, years, the place's rule) filled in.
PlaceCheck check_of(const Place &place);

// Each over the years of the place's timeline:
// the record derived from the place's own rule, verified;
PlaceCheck check_derived(const Place &place, const ZicWorkspace &zic);
// a given record, verified;
PlaceCheck check_record(const Place &place, const qel_tzset &record, const ZicWorkspace &zic);
// a given TZ string (any the POSIX grammar allows), verified; its zic text is
// that of the record the device library reads from it, where it reads one.
PlaceCheck check_tz_string(const Place &place, const std::string &tz, const ZicWorkspace &zic);

}  // namespace qeltz
