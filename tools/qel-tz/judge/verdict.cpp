// SPDX-License-Identifier: MIT
#include "judge/verdict.hpp"

#include "formats/time_text.hpp"

#include <algorithm>
#include <set>
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
    Comparison c;
    std::set<std::pair<std::string, std::string>> names;
    std::set<std::string> flags;
    size_t i = 0, j = 0;
    // Walk both sets of spans together: each step covers [at, next) in which
    // neither changes.
    for (int64_t at = expected.front().from; at < to;) {
        while (i + 1 < expected.size() && expected[i + 1].from <= at) ++i;
        while (j + 1 < got.size() && got[j + 1].from <= at) ++j;
        int64_t next = to;
        if (i + 1 < expected.size()) next = std::min(next, expected[i + 1].from);
        if (j + 1 < got.size()) next = std::min(next, got[j + 1].from);
        const Span &e = expected[i], &g = got[j];
        if (e.offset != g.offset) {
            if (!c.differences.empty() && c.differences.back().until == at &&
                same_local_time(c.differences.back().expected, e) && same_local_time(c.differences.back().got, g)) {
                c.differences.back().until = next;
            } else {
                c.differences.push_back({at, next, e, g});
            }
            c.wrong_seconds += next - at;
        } else {
            if (e.abbr != g.abbr) names.insert({e.abbr, g.abbr});
            if (e.isdst != g.isdst) {
                flags.insert("the place counts " + e.abbr + " (" + utc_offset_text(e.offset) + ") as " +
                             (e.isdst ? "daylight" : "standard") + " time, the record as " +
                             (g.isdst ? "daylight" : "standard") + " time");
            }
        }
        at = next;
    }
    for (const auto &n : names)
        c.notes.push_back({ReasonKind::kAbbreviation, "abbreviation " + n.first + " is written " + n.second});
    for (const auto &f : flags) c.notes.push_back({ReasonKind::kDaylightFlag, f});
    c.verdict = !c.differences.empty() ? Verdict::kDiffers : c.notes.empty() ? Verdict::kExact : Verdict::kOffsetsAgree;
    return c;
}

}  // namespace qeltz
