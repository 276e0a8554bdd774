// SPDX-License-Identifier: MIT
// Comparing the local time a record gives with the local time of a place,
// instant by instant, and the verdict on it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "judge/local_time.hpp"
#include "judge/reasons.hpp"

namespace qeltz {

// How a record's local time compares with a place's. The names are the words
// the tool prints, which scripts read: "exact", "offsets", "differs",
// "unrepresentable".
enum class Verdict {
    kExact,            // the same UTC offsets, abbreviations and daylight flags
    kOffsetsAgree,     // "offsets": the same UTC offsets; only names or daylight flags differ
    kDiffers,          // the UTC offset differs somewhere in the years
    kUnrepresentable,  // no record can express the place
};

// The verdicts' words, one for each of the kVerdicts verdicts, in the
// order of Verdict.
constexpr size_t kVerdicts = 4;
const char *verdict_name(Verdict v);

// A verdict that leaves a device wrong: differs or unrepresentable. Every
// command's exit status and every count of wrong devices follows it.
bool is_failure(Verdict v);

// A stretch of time in which the record's UTC offset is not the place's.
struct Difference {
    int64_t utc = 0, until = 0;
    Span expected, got;
};

struct Comparison {
    Verdict verdict = Verdict::kExact;
    std::vector<Difference> differences;  // where the offsets differ
    int64_t wrong_seconds = 0;            // their length in total
    std::vector<Reason> notes;            // what differs besides the offset: abbreviation, daylight-flag
};

// Compares two timelines over [from, to): `expected` the place's, `got` the
// record's. exact, offsets or differs.
Comparison compare_timelines(const std::vector<Span> &expected, const std::vector<Span> &got, int64_t to);

// The differences of a comparison over [from, to) taken together by how far
// the record is ahead of the place (or behind it), each in one of four
// shapes:
//   once        a single stretch, over before the window ends
//   to-the-end  a single stretch that lasts to the end of the window
//   yearly      each stretch back a year later (its start or its end,
//               within a week or so), one or more a year
//   scattered   stretches with no yearly pattern
struct OffsetError {
    enum Shape { kOnce, kToTheEnd, kYearly, kScattered };
    int32_t ahead = 0;  // seconds the record is ahead of the place; below 0 behind
    Shape shape = kOnce;
    size_t stretches = 0;
    int64_t first_from = 0, first_until = 0;      // the first stretch
    int32_t place_offset = 0, record_offset = 0;  // the offsets at its start
    int64_t season_from = 0, season_until = 0;    // a whole stretch, for the weeks of a yearly one
    size_t per_year = 0;                          // stretches in the year from it
    int64_t seconds = 0;                          // all stretches together
};

// In the order of their first stretches.
std::vector<OffsetError> offset_errors(const std::vector<Difference> &differences, int64_t from, int64_t to);

// Puts a reason (wrong-offset) for each offset error of the comparison over
// [from, to) before its notes: what the difference is, when and how long.
void explain_differences(Comparison &c, int64_t from, int64_t to);

// The same, a stretch of time after another: each add() compares the
// timelines over [from, to) (each has a span in force at `from`), from where
// the stretch before ended; result(), once at the end, is what
// compare_timelines gives over all of them at once.
class TimelineComparison {
  public:
    void add(const std::vector<Span> &expected, const std::vector<Span> &got, int64_t from, int64_t to);
    Comparison result() &&;

  private:
    Comparison c_;
    std::set<std::pair<std::string, std::string>> names_;  // abbreviations: the place's, the record's
    std::pair<std::string, std::string> last_names_;       // the last pair added
    std::set<std::string> flags_;                          // daylight flags that differ, in words
};

}  // namespace qeltz
