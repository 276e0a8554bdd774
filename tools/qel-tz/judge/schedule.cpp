// SPDX-License-Identifier: MIT
#include "judge/schedule.hpp"

#include <algorithm>

#include "judge/derive.hpp"
#include "judge/local_time.hpp"

namespace qeltz {

std::vector<Window> plan_schedule(const TzifZone &zone, Window window) {
    if (derive_place(zone, window).representable) return {window};
    // Where a span may end: at each change of the place's local time, or at
    // the end of the window.
    std::vector<int64_t> ends;
    for (const Span &s : zone_local_time(zone, window)) {
        if (s.from > window.from) ends.push_back(s.from);
    }
    ends.push_back(window.to);
    std::vector<Window> spans;
    for (int64_t from = window.from; from < window.to;) {
        // The longest span from here with a record, found by halving over the
        // ends (a record that holds over a span holds over its beginning);
        // else up to the next change, with none.
        const auto first = std::upper_bound(ends.begin(), ends.end(), from);
        size_t lo = static_cast<size_t>(first - ends.begin()), hi = ends.size();  // ends[lo, hi) untried
        int64_t until = 0;
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if (derive_place(zone, {from, ends[mid]}).representable) {
                until = ends[mid];
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        if (until == 0) until = *first;
        spans.push_back({from, until});
        from = until;
    }
    return spans;
}

std::vector<size_t> ask_schedule(Engine &engine, size_t place, size_t whole) {
    const Place &p = engine.place_at(place);
    if (!p.ok) return {whole};
    const std::vector<Window> plan = plan_schedule(p.zone, engine.window());
    if (plan.size() == 1) return {whole};
    std::vector<size_t> out;
    for (const Window &span : plan) {
        EngineAsk ask;
        ask.within = span;
        out.push_back(engine.derived(place, ask));
    }
    return out;
}

bool sendable(const Judgement &span) { return span.has_record && !span.tz.empty() && !is_failure(span.tz_verdict); }

}  // namespace qeltz
