// SPDX-License-Identifier: MIT
// Checks of places made together (place, places, check): every zic text to
// zic once, and every TZ string to each C library's reader once, one reader
// process per library for the whole run. A place and zic's output are read
// from their files by this process's C library (glibc), on purpose: they
// are what the tz database and zic mean. Every TZ string - the records',
// a checked one, the places' and zic's rule lines - is read only by the
// readers, as a POSIX string, never as a file of this machine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "system/libraries.hpp"
#include "system/database.hpp"

namespace qeltz {

class TzReadings;

// Told what a run is doing, from time to time ("12 of 447 places compared").
using Progress = std::function<void(const std::string &)>;

class CheckRun {
  public:
    // `judges`: the C libraries that read the records' and the checked TZ
    // strings; a TZ string's verdict is the worst over them. `years`: those
    // of every place checked.
    CheckRun(std::vector<CLibrary> judges, Years years);

    // Adds a check of the place, which must stay where it is until run()
    // returns (its timeline is read then); returns the check's index.
    // The record derived from the place's own rule:
    size_t derived(Place &place);
    // a given record:
    size_t record(Place &place, const qel_tzset &record);
    // a given TZ string (any the POSIX grammar allows):
    size_t tz_string(Place &place, const std::string &tz);

    // The zic texts of the checks, for ZicWorkspace::compile_all.
    std::vector<std::string> zic_texts() const;

    // Compiles the zic texts, has the TZ strings read and compares each with
    // its place. False, with one line saying why, where a reader fails.
    bool run(const ZicWorkspace &zic, std::string &error, const Progress &progress = {});

    PlaceCheck &check(size_t i) { return items_[i].check; }
    size_t size() const { return items_.size(); }

  private:
    struct Item {
        Place *place = nullptr;
        PlaceCheck check;
        bool own = false;        // the place's own rule line is checked against the place
        std::string zic_path;    // zic's output, once compiled
        std::string zic_footer;  // its rule line
    };
    size_t add(Place &place, PlaceCheck check);
    void verify(Item &item, const TzReadings &readings);

    std::vector<CLibrary> judges_;
    CLibrary host_;  // this process's C library: reads the places' and zic's rule lines
    Years years_;
    std::vector<Item> items_;
};

}  // namespace qeltz
