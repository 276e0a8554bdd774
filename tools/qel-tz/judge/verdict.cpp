// SPDX-License-Identifier: MIT
#include "judge/verdict.hpp"

#include "formats/time_text.hpp"

#include <algorithm>
#include <utility>

namespace qeltz {

const char *verdict_name(Verdict v) {
    switch (v) {
        case Verdict::kExact:
            return "exact";
        case Verdict::kOffsetsAgree:
            return "offsets";
        case Verdict::kDiffers:
            return "differs";
        case Verdict::kUnrepresentable:
            break;
    }
    return "unrepresentable";
}

bool is_failure(Verdict v) { return v == Verdict::kDiffers || v == Verdict::kUnrepresentable; }

Comparison compare_timelines(const std::vector<Span> &expected, const std::vector<Span> &got, int64_t to) {
    TimelineComparison c;
    c.add(expected, got, expected.front().from, to);
    return std::move(c).result();
}

void TimelineComparison::add(const std::vector<Span> &expected, const std::vector<Span> &got, int64_t from,
                             int64_t to) {
    size_t i = 0, j = 0;
    // Walk both sets of spans together: each step covers [at, next) in which
    // neither changes.
    for (int64_t at = from; at < to;) {
        while (i + 1 < expected.size() && expected[i + 1].from <= at) ++i;
        while (j + 1 < got.size() && got[j + 1].from <= at) ++j;
        int64_t next = to;
        if (i + 1 < expected.size()) next = std::min(next, expected[i + 1].from);
        if (j + 1 < got.size()) next = std::min(next, got[j + 1].from);
        const Span &e = expected[i], &g = got[j];
        if (e.offset != g.offset) {
            if (!c_.differences.empty() && c_.differences.back().until == at &&
                same_local_time(c_.differences.back().expected, e) && same_local_time(c_.differences.back().got, g)) {
                c_.differences.back().until = next;
            } else {
                c_.differences.push_back({at, next, e, g});
            }
            c_.wrong_seconds += next - at;
        } else {
            // The pair of names of the step before is not looked up again.
            if (e.abbr != g.abbr && (e.abbr != last_names_.first || g.abbr != last_names_.second)) {
                last_names_ = *names_.insert({e.abbr, g.abbr}).first;
            }
            if (e.isdst != g.isdst) {
                flags_.insert("the place counts " + e.abbr + " (" + utc_offset_text(e.offset) + ") as " +
                              (e.isdst ? "daylight" : "standard") + " time, the record as " +
                              (g.isdst ? "daylight" : "standard") + " time");
            }
        }
        at = next;
    }
}

Comparison TimelineComparison::result() && {
    Comparison c = std::move(c_);
    for (const auto &n : names_)
        c.notes.push_back({ReasonKind::kAbbreviation, "abbreviation " + n.first + " is written " + n.second});
    for (const auto &f : flags_) c.notes.push_back({ReasonKind::kDaylightFlag, f});
    c.verdict = !c.differences.empty() ? Verdict::kDiffers : c.notes.empty() ? Verdict::kExact : Verdict::kOffsetsAgree;
    return c;
}

}  // namespace qeltz
