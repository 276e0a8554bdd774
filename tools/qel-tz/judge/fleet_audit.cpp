// SPDX-License-Identifier: MIT
#include "judge/fleet_audit.hpp"

#include <map>

#include "judge/engine.hpp"

namespace qeltz {

FleetAudit audit_fleet(const Fleet &fleet, const std::string &tzdir, Window window,
                       const std::vector<CLibrary> &libraries) {
    FleetAudit audit;
    const TzDatabase db = tz_database(tzdir);
    audit.tzdata = db.version;
    audit.window = window;
    audit.libraries = libraries;
    audit.settings.resize(fleet.settings.size());

    Engine engine(window, libraries);
    std::map<size_t, size_t> send_of;  // the engine's place to its index in sends
    std::vector<size_t> sends, checks(fleet.settings.size(), SIZE_MAX);
    for (size_t i = 0; i < fleet.settings.size(); ++i) {
        const FleetSetting &s = fleet.settings[i];
        const size_t place = engine.place(db, s.place);
        const auto [at, added] = send_of.emplace(place, sends.size());
        if (added) sends.push_back(engine.derived(place));
        audit.settings[i].place = at->second;
        const Place &p = engine.place_at(place);
        if (!p.ok) {
            audit.settings[i].invalid = p.problem.text;
            continue;
        }
        checks[i] = s.tz.empty() ? engine.record(place, s.record) : engine.tz_string(place, s.tz);
    }
    if (!engine.run(audit.failure)) return audit;
    for (const size_t at : sends) audit.sends.push_back(engine.result(at));
    for (size_t i = 0; i < fleet.settings.size(); ++i) {
        if (checks[i] != SIZE_MAX) audit.settings[i].check = engine.result(checks[i]);
    }
    return audit;
}

}  // namespace qeltz
