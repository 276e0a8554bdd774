// SPDX-License-Identifier: MIT
#include "judge/drawn_timelines.hpp"

namespace qeltz {

bool draw_timelines(Window window, const std::vector<CLibrary> &libraries,
                    const std::vector<TimelineQuestion> &questions, std::vector<DrawnTimeline> &drawn,
                    std::string &why) {
    Engine engine(window, libraries);
    engine.keep_timelines();
    std::vector<size_t> places, asked;
    for (const TimelineQuestion &q : questions) {
        places.push_back(engine.place(*q.db, q.place));
        asked.push_back(SIZE_MAX);
        if (!engine.place_at(places.back()).ok) continue;
        EngineAsk ask;
        ask.zic = false;  // a page draws the TZ string's readings only
        ask.libraries = q.libraries;
        asked.back() = !q.tz.empty()  ? engine.tz_string(places.back(), q.tz, ask)
                       : q.has_record ? engine.record(places.back(), q.record, ask)
                                      : engine.derived(places.back(), ask);
    }
    if (!engine.run(why)) return false;
    drawn.assign(questions.size(), {});
    for (size_t i = 0; i < questions.size(); ++i) {
        if (asked[i] == SIZE_MAX) continue;
        drawn[i].ok = true;
        drawn[i].place = engine.timeline(places[i]);
        if (!questions[i].tz.empty() || questions[i].has_record)
            drawn[i].readings = engine.result(asked[i]).tz_comparisons;
    }
    return true;
}

}  // namespace qeltz
