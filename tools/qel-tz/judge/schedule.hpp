// SPDX-License-Identifier: MIT
// What to send a place's devices where one record is not enough over the
// window: a schedule, the fewest spans that cover the window in order, each
// with a record that gives the place's UTC offsets over the whole span, or
// none, with why. A device is sent the first span's record now and the next
// one at its start.
#pragma once

#include <cstddef>
#include <vector>

#include "judge/derive.hpp"
#include "judge/engine.hpp"

namespace qeltz {

// A record the place's own changes allow (derived from a stretch of them)
// and the stretches of the window, each as long as it goes, over which its
// rule gives the place's UTC offsets.
struct ScheduleCandidate {
    Derivation derivation;
    std::vector<Window> holds;
};

// The distinct records derived from every stretch of the place's local time
// in the window (from one change of it to another), with where each holds.
std::vector<ScheduleCandidate> schedule_candidates(const TzifZone &zone, Window window);

struct PlannedSpan {
    Window span;
    Derivation derivation;  // representable: the record to send over the span; else why none
};

// The fewest spans covering the window, each with a candidate that holds
// over all of it, and spans over which none holds (each up to where one
// starts to). From each start the candidate that holds farthest is taken,
// which gives the fewest spans of any cover. One span, the window, where the
// place's record holds throughout.
std::vector<PlannedSpan> plan_schedule(const TzifZone &zone, Window window);

// Asks the engine for the schedule of a place: `whole` is the place's
// derived judgement over the whole window, which serves as the schedule
// where it has a record; else a question for each span. The judgements'
// indexes, in order.
std::vector<size_t> ask_schedule(Engine &engine, size_t place, size_t whole);

// Whether a span's judgement gives a record to send: one that expresses the
// place over the span (exact or offsets).
bool sendable(const Judgement &span);

}  // namespace qeltz
