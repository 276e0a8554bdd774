// SPDX-License-Identifier: MIT
// The one engine behind every judging command (place, places, check, diff,
// audit): questions about places go in, judgements come out, all over one
// window and one set of C libraries. It owns the places (each loaded once),
// writes every record's texts, compiles every zic text in one zic run and has
// every TZ string read by each library's readers (system/library_readings.hpp),
// a stretch of the window at a time, each reading compared as it comes.
//
// A place's own local time is computed from its compiled zone's table, its
// rule line as this process's C library (glibc) reads it: that is what the
// tz database means. Every TZ string - a record's, a given one, the places'
// and zic's rule lines - is read only by the readers, as a POSIX string,
// never as a file of this machine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "judge/judgement.hpp"
#include "judge/local_time.hpp"
#include "judge/verdict.hpp"
#include "system/consumers.hpp"
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
    // verdict is the worst over them. `consumers`: what reads the strings
    // and compiles the zic texts (this system's where null); it outlives
    // the engine.
    Engine(Window window, std::vector<CLibrary> libraries, const Consumers *consumers = nullptr);
    Engine(const Engine &) = delete;  // it points at its own consumers
    Engine &operator=(const Engine &) = delete;

    // The place of that name in the database, loaded once; its index. A
    // place that cannot be loaded is kept with its problem (Place::ok).
    size_t place(const TzDatabase &db, const std::string &name);
    // A place loaded elsewhere; its index.
    size_t place(Place place);
    const Place &place_at(size_t place) const { return places_[place].place; }
    // Its local time over the window, once run() has returned, where
    // keep_timelines() was called before (else run keeps no more than a
    // stretch of it at a time).
    const std::vector<Span> &timeline(size_t place) const { return places_[place].timeline; }
    void keep_timelines() { keep_timelines_ = true; }

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
    // reader fails. The window is read and compared a stretch at a time, so
    // that what is held grows with the questions, not with the window's
    // length.
    bool run(std::string &error, const Progress &progress = {});
    // The stretch's length, in the readers' sparse sampling steps (30 days;
    // 305 unless set, some 25 years): any length gives the same judgements.
    void stretch_steps(int64_t steps) { stretch_steps_ = steps; }

    const Judgement &result(size_t i) const { return items_[i].judgement; }
    size_t size() const { return items_.size(); }
    const Window &window() const { return window_; }
    const std::vector<CLibrary> &libraries() const { return libraries_; }

  private:
    struct PlaceState {
        Place place;
        std::vector<Span> timeline;  // kept where asked
        std::string db;              // the database folder it was loaded from
    };
    // How one library read a string, stretch by stretch.
    struct Reading {
        TimelineComparison comparison;
        std::string unread;  // "": read in every stretch; else why not (the reader's word)
    };
    struct Item {
        size_t place = 0;
        bool derived = false;  // the place's own rule line is read by every library too
        bool zic = true;       // its zic text is compiled
        Window within;         // what it judges: the engine's window or a part of it
        std::vector<CLibrary> libraries;
        Judgement judgement;
        size_t zic_zone = SIZE_MAX;  // zic's output, once compiled and read: into zic_zones_
        std::vector<Reading> tz;     // the TZ string as each of `libraries` reads it
        // Derived: the place's rule line as each of the engine's libraries
        // reads it, against glibc's reading (own_read: glibc read it).
        std::vector<Reading> rule_line;
        bool own_read = true;
        TimelineComparison zic_read;  // zic's output against the place
    };
    size_t add(size_t place, Judgement judgement, Ask ask = EngineAsk{});
    // Every zic text in one zic run, each output read once.
    void compile_zic_texts(const Progress &progress);
    // Reads and compares one stretch of the window.
    bool run_stretch(Window stretch, std::string &error, const Progress &progress);
    // The verdicts and reasons, once every stretch is compared.
    void judge(Item &item) const;

    Window window_;
    std::vector<CLibrary> libraries_;
    SystemConsumers system_;
    const Consumers *consumers_;
    std::vector<std::string> labels_;  // theirs, once made
    CLibrary host_;                    // this process's C library: reads the places' and zic's rule lines
    std::vector<PlaceState> places_;
    std::unordered_multimap<std::string, size_t> place_index_;  // by name (in any database)
    std::vector<Item> items_;
    std::vector<TzifZone> zic_zones_;  // each compiled text's, once
    bool keep_timelines_ = false;
    int64_t stretch_steps_ = 305;
};

}  // namespace qeltz
