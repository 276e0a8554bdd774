// SPDX-License-Identifier: MIT
// What to send a place's devices where one record is not enough over the
// window: a schedule, spans that cover the window in order, each with the
// record that expresses the place over that span (derived over the span
// alone) or none, with why. A device is sent the first span's record now
// and the next one at its start.
#pragma once

#include <cstddef>
#include <vector>

#include "judge/engine.hpp"

namespace qeltz {

// The spans of the window (from, until) over which derive_place finds a
// record, each as long as it can be from its start, and those over which it
// finds none; cut at the place's own changes of local time. One span, the
// window, where one record holds throughout.
std::vector<Window> plan_schedule(const TzifZone &zone, Window window);

// Asks the engine for the schedule of a place: `whole` is the place's
// derived judgement over the whole window, which serves as the schedule
// where one span covers it; else a derived question for each span. The
// judgements' indexes, in order.
std::vector<size_t> ask_schedule(Engine &engine, size_t place, size_t whole);

// Whether a span's judgement gives a record to send: one that expresses the
// place over the span (exact or offsets).
bool sendable(const Judgement &span);

}  // namespace qeltz
