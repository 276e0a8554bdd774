// SPDX-License-Identifier: MIT
#include "judge/schedule.hpp"

#include <algorithm>
#include <cstring>

#include "judge/local_time.hpp"
#include "judge/nearest_record.hpp"
#include "judge/verdict.hpp"

namespace qeltz {

namespace {

// The stretches of the window over which `got` gives `place`'s UTC offsets:
// what lies between the places where they differ.
std::vector<Window> agreeing(const std::vector<Span> &place, const std::vector<Span> &got, Window window) {
    std::vector<Window> out;
    int64_t from = window.from;
    for (const Difference &d : compare_timelines(place, got, window.to).differences) {
        if (d.utc > from) out.push_back({from, d.utc});
        from = d.until;
    }
    if (from < window.to) out.push_back({from, window.to});
    return out;
}

bool same_record(const qel_tzset &a, const qel_tzset &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The most spans of the place's local time a candidate is derived from: four
// years of two changes each. A record's rule shows in one year's changes, and
// where it holds is found over the whole window; longer stretches give no
// other records, and their number would grow with the square of the window's.
constexpr size_t kStretchSpans = 8;

}  // namespace

std::vector<ScheduleCandidate> schedule_candidates(const TzifZone &zone, Window window) {
    const std::vector<Span> place = zone_local_time(zone, window);
    std::vector<ScheduleCandidate> out;
    for (size_t i = 0; i < place.size(); ++i) {
        for (size_t j = i; j < place.size() && j < i + kStretchSpans; ++j) {
            const Window stretch{place[i].from, j + 1 < place.size() ? place[j + 1].from : window.to};
            Derivation d = derive_place(zone, stretch);
            if (!d.representable || std::any_of(out.begin(), out.end(), [&](const ScheduleCandidate &c) {
                    return same_record(c.derivation.record, d.record);
                })) {
                continue;
            }
            std::vector<Window> holds = agreeing(place, rule_local_time(d.rule, window), window);
            out.push_back({std::move(d), std::move(holds)});
        }
    }
    return out;
}

std::vector<PlannedSpan> plan_schedule(const TzifZone &zone, Window window) {
    Derivation whole = derive_place(zone, window);
    if (whole.representable) return {{window, std::move(whole)}};
    const std::vector<ScheduleCandidate> candidates = schedule_candidates(zone, window);
    std::vector<PlannedSpan> spans;
    for (int64_t from = window.from; from < window.to;) {
        // The candidate holding from here the farthest; else none up to the
        // first place where one starts to hold.
        const ScheduleCandidate *best = nullptr;
        int64_t until = from, next = window.to;
        for (const ScheduleCandidate &c : candidates) {
            for (const Window &h : c.holds) {
                if (h.from <= from && from < h.to && h.to > until) {
                    until = h.to;
                    best = &c;
                }
                if (h.from > from) next = std::min(next, h.from);
            }
        }
        if (best == nullptr) until = next;
        spans.push_back({{from, until}, best != nullptr ? best->derivation : derive_place(zone, {from, until})});
        from = until;
    }
    // Where no record holds over part of the window: one span of the nearest
    // record, from the first such part to the last, with the spans next to it
    // that hold the same record.
    const auto gap = [](const PlannedSpan &s) { return !s.derivation.representable; };
    const auto first_gap = std::find_if(spans.begin(), spans.end(), gap);
    if (first_gap == spans.end()) return spans;
    size_t first = static_cast<size_t>(first_gap - spans.begin());
    size_t last = spans.size() - static_cast<size_t>(std::find_if(spans.rbegin(), spans.rend(), gap) - spans.rbegin());
    std::vector<Derivation> tried;
    for (const ScheduleCandidate &c : candidates) tried.push_back(c.derivation);
    Approximation a;
    if (!nearest_record(zone, tried, {spans[first].span.from, spans[last - 1].span.to}, a)) return spans;
    const auto same = [&](const PlannedSpan &s) {
        return s.derivation.representable && same_record(s.derivation.record, a.derivation.record);
    };
    while (first > 0 && same(spans[first - 1])) --first;
    while (last < spans.size() && same(spans[last])) ++last;
    const Window region{spans[first].span.from, spans[last - 1].span.to};
    const std::vector<Span> place = zone_local_time(zone, region);
    a.derivation.approximate =
        cost_text(compare_timelines(place, rule_local_time(a.derivation.rule, region), region.to), region);
    PosixTz own;
    std::string why;
    if (!zone.rule_line.empty() && parse_posix_tz(zone.rule_line, own, why)) {
        const std::vector<Span> by_rule = rule_local_time(own, region);
        a.derivation.rule_line_holds =
            !by_rule.empty() && compare_timelines(place, by_rule, region.to).differences.empty();
    }
    spans[first] = {region, std::move(a.derivation)};
    spans.erase(spans.begin() + static_cast<std::ptrdiff_t>(first) + 1,
                spans.begin() + static_cast<std::ptrdiff_t>(last));
    return spans;
}

std::vector<size_t> ask_schedule(Engine &engine, size_t place, size_t whole) {
    const Place &p = engine.place_at(place);
    if (!p.ok || engine.result(whole).has_record) return {whole};
    std::vector<size_t> out;
    for (const PlannedSpan &span : plan_schedule(p.zone, engine.window())) {
        EngineAsk ask;
        ask.within = span.span;
        out.push_back(engine.derivation(place, span.derivation, ask));
    }
    return out;
}

bool sendable(const Judgement &span) {
    return span.has_record && !span.tz.empty() && (!is_failure(span.tz_verdict) || !span.approximate.empty());
}

}  // namespace qeltz
