// SPDX-License-Identifier: MIT
// What the engine answers for one question about a place: the settings
// record (derived from the place, or given, or read from a given TZ string),
// its TZ string as each C library reads it and its zic text as zic compiles
// it, each compared with the place over the window, with the verdicts and
// the reasons for them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "judge/reasons.hpp"
#include "judge/verdict.hpp"
#include "judge/window.hpp"
#include "qel_time.h"

namespace qeltz {

// How one C library reads the TZ string, against the place.
struct LibraryComparison {
    std::string library;  // "glibc 2.36"
    Comparison comparison;
};

struct Judgement {
    std::string place, tzdata;
    Window window;
    std::string rule_line;               // the place's own TZ string (its compiled zone's last line)
    std::vector<std::string> libraries;  // the C libraries that read the TZ string, "glibc 2.36"
    bool has_record = false;
    qel_tzset record{};
    std::string tz, zic;         // empty: none
    bool tz_given = false;       // the TZ string is the one asked about (check --tz), not a record's
    int32_t tz_read_status = 0;  // then: what the device library's reader returned for it
    // The derived record holds only through this year (0: every year).
    int valid_through = 0;
    // A schedule's span no record expresses: its record is the nearest one,
    // and this what it gets wrong, in words ("": not such a span).
    std::string approximate;
    Verdict tz_verdict = Verdict::kUnrepresentable, zic_verdict = Verdict::kUnrepresentable;
    std::vector<Reason> reasons;
    std::vector<LibraryComparison> tz_comparisons;  // one per library that read the TZ string
    // Over the libraries: the earliest instant any of them gives a wrong UTC
    // offset (kNever: none), and the most wrong time one of them gives.
    static constexpr int64_t kNever = INT64_MAX;
    int64_t wrong_from = kNever;
    int64_t wrong_seconds = 0;
    // For a derived record: the place's own rule line as each library reads
    // it, against glibc's reading of it (a device given the zone's own TZ
    // string goes wrong where its library misreads the line).
    std::vector<std::pair<std::string, Verdict>> rule_line_verdicts;
    std::string zic_library;  // the C library that read zic's output
    Comparison zic_comparison;

    bool wrong() const { return is_failure(tz_verdict); }
    bool has_wrong_from() const { return wrong_from != kNever; }
    double hours_wrong() const { return static_cast<double>(wrong_seconds) / 3600.0; }
};

// The fold over the libraries, one library's differences at a time:
// `wrong_from` the earliest instant any of them is wrong, `wrong_seconds` the
// most wrong time one of them gives.
void fold_wrong(const std::vector<Difference> &differences, int64_t &wrong_from, int64_t &wrong_seconds);

// The TZ string's verdict over the libraries that read it (tz_comparisons):
// the worst, and their wrong time folded.
void judge_over_libraries(Judgement &j);

}  // namespace qeltz
