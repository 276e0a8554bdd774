// SPDX-License-Identifier: MIT
#include "judge/verdict.hpp"

#include "formats/json.hpp"
#include "formats/time_text.hpp"

#include <algorithm>
#include <cstdlib>
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

std::vector<OffsetError> offset_errors(const std::vector<Difference> &differences, int64_t from, int64_t to) {
    std::vector<OffsetError> errors;
    std::vector<std::vector<std::pair<int64_t, int64_t>>> stretches;  // each error's, [from, until)
    for (const Difference &d : differences) {
        const int32_t ahead = d.got.offset - d.expected.offset;
        size_t k = 0;
        while (k < errors.size() && errors[k].ahead != ahead) ++k;
        if (k == errors.size()) {
            OffsetError e;
            e.ahead = ahead;
            e.first_from = d.utc;
            e.place_offset = d.expected.offset;
            e.record_offset = d.got.offset;
            errors.push_back(e);
            stretches.emplace_back();
        }
        auto &s = stretches[k];
        if (!s.empty() && s.back().second == d.utc) {
            s.back().second = d.until;
        } else {
            s.emplace_back(d.utc, d.until);
        }
        errors[k].seconds += d.until - d.utc;
    }
    // A year apart: a rule such as "the last Sunday of October" moves by
    // up to a week from one year to the next.
    constexpr int64_t kYear = 31556952, kSlack = int64_t{8} * 86400;
    const auto year_apart = [](int64_t a, int64_t b) { return std::llabs(b - a - kYear) <= kSlack; };
    for (size_t k = 0; k < errors.size(); ++k) {
        OffsetError &e = errors[k];
        const auto &s = stretches[k];
        e.stretches = s.size();
        e.first_until = s.front().second;
        // The weeks of the year: a stretch the window does not cut, where one is.
        const auto whole =
            std::find_if(s.begin(), s.end(), [&](const auto &x) { return x.first > from && x.second < to; });
        e.season_from = whole != s.end() ? whole->first : s.front().first;
        e.season_until = whole != s.end() ? whole->second : s.front().second;
        // Yearly: each stretch that has a year after it in the window comes
        // back then (its start or its end a year later), one or more a year.
        bool yearly = true, back = false;
        for (size_t i = 0; yearly && i < s.size(); ++i) {
            if (s[i].first + kYear + kSlack >= to) continue;
            bool again = false;
            for (size_t n = i + 1; !again && n < s.size() && s[n].first <= s[i].second + kYear + kSlack; ++n)
                again = year_apart(s[i].first, s[n].first) || year_apart(s[i].second, s[n].second);
            yearly = again;
            back = back || again;
        }
        e.per_year = static_cast<size_t>(std::count_if(s.begin(), s.end(), [&](const auto &x) {
            return x.first >= e.season_from && x.first < e.season_from + kYear - kSlack;
        }));
        e.shape = s.size() == 1 ? (s.front().second >= to ? OffsetError::kToTheEnd : OffsetError::kOnce)
                                : (yearly && back ? OffsetError::kYearly : OffsetError::kScattered);
    }
    return errors;
}

namespace {

std::string offset_error_text(const OffsetError &e, int64_t from) {
    std::string text = duration_text(std::llabs(e.ahead)) + (e.ahead > 0 ? " ahead " : " behind ");
    const std::string first = "from " + minute_text(e.first_from) + " to " + minute_text(e.first_until) + " UTC";
    switch (e.shape) {
        case OffsetError::kOnce:
            text += first;
            break;
        case OffsetError::kToTheEnd:
            text += e.first_from <= from
                        ? "throughout the window, all year"
                        : "from " + minute_text(e.first_from) + " UTC to the end of the window, all year";
            break;
        case OffsetError::kYearly: {
            const std::string start = weeks_text(e.season_from), end = weeks_text(e.season_until);
            text += "each year " + (start == end ? "in " + start : "from " + start + " to " + end) +
                    (e.per_year > 1 ? " and " + std::to_string(e.per_year - 1) +
                                          (e.per_year == 2 ? " other stretch a year" : " other stretches a year")
                                    : "") +
                    ", the first time " + first;
            break;
        }
        case OffsetError::kScattered:
            text += std::to_string(e.stretches) + " times with no yearly pattern, the first " + first;
            break;
    }
    text += ": " + utc_offset_text(e.record_offset) + " where the place is " + utc_offset_text(e.place_offset) + " (" +
            decimal_text(static_cast<double>(e.seconds) / 3600.0) + " hours";
    return text + (e.stretches > 1 ? " in " + std::to_string(e.stretches) + " stretches)" : ")");
}

}  // namespace

void explain_differences(Comparison &c, int64_t from, int64_t to) {
    std::vector<Reason> reasons;
    for (const OffsetError &e : offset_errors(c.differences, from, to))
        reasons.push_back({ReasonKind::kWrongOffset, offset_error_text(e, from)});
    c.notes.insert(c.notes.begin(), reasons.begin(), reasons.end());
}

}  // namespace qeltz
