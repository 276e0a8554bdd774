// SPDX-License-Identifier: MIT
// What a place's devices are told to send, decided once from its schedule's
// judgements (judge/schedule.hpp) for every command that says it: the record
// to send now, what each span gives (its TZ string, its zic text where zic
// reads it as the place, the place's own rule line where every library reads
// it right) and whether the advice as a whole is confirmed right.
#pragma once

#include <string>
#include <vector>

#include "judge/judgement.hpp"

namespace qeltz {

// A schedule's spans, their judgements in order.
using ScheduleSpans = std::vector<const Judgement *>;

struct Advice {
    ScheduleSpans spans;
    // The record to send now: the first span's, where it gives one (the
    // nearest record where no record expresses the place); else null.
    const Judgement *now = nullptr;
    // Every span gives a record that is exact or offsets over all of it for
    // every library judged, none of them approximate.
    bool confirmed = false;
    // A wrong device that holds the one record of its place's schedule, the
    // nearest where no record expresses the place: nothing better to send as
    // a record (spans is empty, now null).
    bool holds_nearest = false;
    // Then, for a device that holds a TZ string: the place's own rule line,
    // where every library judged reads it right ("" else).
    std::string rule_line;
    // One span with a record that needs no schedule to say.
    bool single() const { return spans.size() == 1 && spans.front()->approximate.empty(); }
};

Advice advice_of(ScheduleSpans spans);

// The verdict on a place's one record, said with the outcome where that is
// wrong but a schedule or the nearest record is what to send: "one record:
// unrepresentable; the schedule below holds: exact", "one record:
// unrepresentable; the nearest below: approximate"; else the verdict alone.
std::string outcome_text(Verdict one_record, const Advice &advice);

// What a device holds: its TZ string, or where that is empty its record.
struct Held {
    std::string tz;
    qel_tzset record{};
};

// What to send a device that holds a setting: the place's schedule where the
// setting is wrong, nothing where it is right or already the nearest record.
Advice advice_for(bool wrong, ScheduleSpans place_schedule, const Held *held = nullptr);

// The advice to a device in a word, for CSV and JSON: "right" (nothing to
// send), "send" (the record now, or the schedule), "holds-nearest" (nothing
// better to send as a record), "nothing" (no record expresses the place).
const char *send_kind(const Advice &advice, bool wrong);

// Of one span: whether its zic text is one to send (zic reads it as the
// place), the place's own rule line where every library judged reads it as
// the tz database means it ("" else), and why it gives no record or zic
// text (none where it gives both).
bool sends_zic(const Judgement &span);
std::string rule_line_for(const Judgement &span);
std::vector<Reason> why_not_sent(const Judgement &span);

// The week-5 rule of a record: daylight saving with a rule in the fifth
// (last) week, which the zic text writes "on or after the 29th".
// What follows, in words.
bool has_week5(const qel_tzset &record);
extern const char *const kWeek5Text;

}  // namespace qeltz
