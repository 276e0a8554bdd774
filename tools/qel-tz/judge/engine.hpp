// SPDX-License-Identifier: MIT
// The one engine behind every judging command (place, places, check, diff,
// audit): questions about places go in, judgements come out, all over one
// window and one set of C libraries. It owns the places (each loaded once),
// writes every record's texts, compiles every zic text in one zic run and has
// every TZ string read by each library's reader in one process per library.
//
// A place's own local time is computed from its compiled zone's table, its
// rule line as this process's C library (glibc) reads it: that is what the
// tz database means. Every TZ string - a record's, a given one, the places'
// and zic's rule lines - is read only by the readers, as a POSIX string,
// never as a file of this machine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "judge/judgement.hpp"
#include "judge/local_time.hpp"
#include "system/database.hpp"
#include "system/libraries.hpp"

namespace qeltz {

class TzReadings;
struct Derivation;

// Told what a run is doing, from time to time ("12 of 447 places compared").
using Progress = std::function<void(const std::string &)>;

// How a given record or string is judged: by the engine's libraries or
// others (a device that names its own), and with its zic text compiled or
// not (a fleet's devices hold no zic text).
struct EngineAsk {
    const std::vector<CLibrary> *libraries = nullptr;
    bool zic = true;
    // A part of the engine's window to judge instead of all of it (a span of
    // a schedule); empty: the whole window.
    Window within{};
};

class Engine {
  public:
    // `libraries`: those that read the records' and the given TZ strings; a
    // verdict is the worst over them.
    Engine(Window window, std::vector<CLibrary> libraries);

    // The place of that name in the database, loaded once; its index. A
    // place that cannot be loaded is kept with its problem (Place::ok).
    size_t place(const TzDatabase &db, const std::string &name);
    const Place &place_at(size_t place) const { return places_[place].place; }
    // Its local time over the window, once run() has returned.
    const std::vector<Span> &timeline(size_t place) const { return places_[place].timeline; }

    using Ask = EngineAsk;

    // Questions about a place; each returns its judgement's index.
    // The record derived from the place:
    size_t derived(size_t place, Ask ask = EngineAsk{});
    // a record derived elsewhere (a schedule's span), with its rewrites:
    size_t derivation(size_t place, const Derivation &d, Ask ask = EngineAsk{});
    // a given record:
    size_t record(size_t place, const qel_tzset &record, Ask ask = EngineAsk{});
    // a given TZ string (any the POSIX grammar allows):
    size_t tz_string(size_t place, const std::string &tz, Ask ask = EngineAsk{});

    // Compiles, reads and compares. False, with one line saying why, where a
    // reader fails.
    bool run(std::string &error, const Progress &progress = {});

    const Judgement &result(size_t i) const { return items_[i].judgement; }
    size_t size() const { return items_.size(); }
    const Window &window() const { return window_; }
    const std::vector<CLibrary> &libraries() const { return libraries_; }

  private:
    struct PlaceState {
        Place place;
        std::vector<Span> timeline;
        std::string db;  // the database folder it was loaded from
    };
    struct Item {
        size_t place = 0;
        bool derived = false;  // the place's own rule line is read by every library too
        bool zic = true;       // its zic text is compiled
        Window within;         // what it judges: the engine's window or a part of it
        std::vector<CLibrary> libraries;
        Judgement judgement;
        std::string zic_path;  // zic's output, once compiled
        TzifZone zic_zone;     // read from it
    };
    size_t add(size_t place, Judgement judgement, Ask ask = EngineAsk{});
    void verify(Item &item, const TzReadings &readings);

    Window window_;
    std::vector<CLibrary> libraries_;
    CLibrary host_;  // this process's C library: reads the places' and zic's rule lines
    std::vector<PlaceState> places_;
    std::vector<Item> items_;
};

}  // namespace qeltz
