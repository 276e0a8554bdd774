// SPDX-License-Identifier: MIT
#include "judge/fleet_audit.hpp"

#include <algorithm>
#include <map>

#include "judge/engine.hpp"
#include "judge/schedule.hpp"

namespace qeltz {

std::string row_libraries(const std::string &cell, const std::vector<CLibrary> &defaults,
                          std::vector<CLibrary> &libraries) {
    if (cell.empty()) {
        libraries = defaults;
        return "";
    }
    const std::string why = runnable_libraries(cell, libraries);
    return why.empty() ? "" : "libc " + why;
}

std::string libc_setting(const std::string &cell, const std::vector<CLibrary> &defaults) {
    std::vector<CLibrary> named;
    if (cell.empty() || !runnable_libraries(cell, named).empty()) return cell;
    const auto same = [](const CLibrary &a, const CLibrary &b) { return a.name == b.name; };
    if (std::equal(named.begin(), named.end(), defaults.begin(), defaults.end(), same)) return "";
    std::string key;
    for (const CLibrary &library : named) key += (key.empty() ? "" : ",") + library.name;
    return key;
}

namespace {

SettingVerdict verdict_of(const Judgement &j, bool own_libraries) {
    SettingVerdict v;
    v.verdict = j.tz_verdict;
    v.wrong_from = j.wrong_from;
    v.wrong_seconds = j.wrong_seconds;
    v.has_tz = !j.tz.empty();
    v.reasons = j.reasons;
    if (own_libraries) v.libraries = j.libraries;
    return v;
}

}  // namespace

FleetAudit audit_settings(const std::vector<FleetSetting> &settings, const std::string &tzdir, Window window,
                          const std::vector<CLibrary> &libraries, size_t batch) {
    FleetAudit audit;
    const TzDatabase db = tz_database(tzdir);
    audit.tzdata = db.version;
    audit.window = window;
    audit.libraries = libraries;
    audit.settings.resize(settings.size());

    // Each place once: its schedule, in one run of its own.
    std::map<std::string, size_t> place_of;
    for (const FleetSetting &s : settings) place_of.emplace(s.place, 0);
    {
        Engine engine(window, libraries);
        std::vector<std::vector<size_t>> spans;
        for (auto &[name, index] : place_of) {
            index = audit.places.size();
            audit.places.push_back({name, {}});
            const size_t place = engine.place(db, name);
            spans.push_back(engine.place_at(place).ok ? ask_schedule(engine, place, engine.derived(place))
                                                      : std::vector<size_t>{});
        }
        if (!engine.run(audit.failure)) return audit;
        for (size_t p = 0; p < spans.size(); ++p) {
            for (const size_t s : spans[p]) audit.places[p].spans.push_back(engine.result(s));
        }
    }
    // The settings, a batch a run.
    for (size_t first = 0; first < settings.size(); first += batch) {
        const size_t last = std::min(settings.size(), first + batch);
        Engine engine(window, libraries);
        std::vector<std::vector<CLibrary>> own(last - first);
        std::vector<size_t> asked(last - first, SIZE_MAX);
        for (size_t i = first; i < last; ++i) {
            const FleetSetting &s = settings[i];
            SettingVerdict &v = audit.settings[i];
            v.place = place_of[s.place];
            v.invalid = row_libraries(s.libc, libraries, own[i - first]);
            const size_t place = engine.place(db, s.place);
            if (v.invalid.empty() && !engine.place_at(place).ok) v.invalid = engine.place_at(place).problem.text;
            if (!v.invalid.empty()) continue;
            EngineAsk ask;
            ask.zic = false;  // devices hold TZ strings, not zic text
            ask.libraries = &own[i - first];
            asked[i - first] = s.tz.empty() ? engine.record(place, s.record, ask) : engine.tz_string(place, s.tz, ask);
        }
        if (!engine.run(audit.failure)) return audit;
        for (size_t i = first; i < last; ++i) {
            if (asked[i - first] == SIZE_MAX) continue;
            const size_t place = audit.settings[i].place;
            audit.settings[i] = verdict_of(engine.result(asked[i - first]), !settings[i].libc.empty());
            audit.settings[i].place = place;
        }
    }
    return audit;
}

}  // namespace qeltz
