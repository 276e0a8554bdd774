// SPDX-License-Identifier: MIT
#include "judge/fleet_audit.hpp"

#include <cstdint>
#include <map>

#include "judge/engine.hpp"

namespace qeltz {

FleetAudit audit_fleet(const Fleet &fleet, const std::string &tzdir, Years years) {
    FleetAudit audit;
    const TzDatabase db = tz_database(tzdir);
    audit.tzdata = db.version;
    audit.years = years;
    audit.settings.resize(fleet.settings.size());

    // Each place once, loaded before any check is added: the run keeps
    // pointers to the places.
    std::map<std::string, size_t> place_index;
    for (size_t i = 0; i < fleet.settings.size(); ++i) {
        const auto it = place_index.emplace(fleet.settings[i].place, place_index.size()).first;
        audit.settings[i].place = it->second;
    }
    std::vector<Place> places(place_index.size());
    std::vector<std::string> unknown(places.size());  // why a place cannot be loaded
    std::vector<ReasonKind> kinds(places.size());
    for (const auto &[name, p] : place_index) (void)load_place(db, name, years, places[p], unknown[p], &kinds[p]);

    CheckRun run(c_libraries(), years);
    std::vector<size_t> sends(places.size(), SIZE_MAX), checks(fleet.settings.size(), SIZE_MAX);
    for (size_t p = 0; p < places.size(); ++p) {
        if (unknown[p].empty()) sends[p] = run.derived(places[p]);
    }
    for (size_t i = 0; i < fleet.settings.size(); ++i) {
        const FleetSetting &s = fleet.settings[i];
        Place &place = places[audit.settings[i].place];
        if (!unknown[audit.settings[i].place].empty()) continue;
        checks[i] = s.tz.empty() ? run.record(place, s.record) : run.tz_string(place, s.tz);
    }
    ZicWorkspace zic;
    zic.compile_all(run.zic_texts());
    if (!run.run(zic, audit.failure)) return audit;

    audit.sends.resize(places.size());
    for (size_t p = 0; p < places.size(); ++p) {
        if (sends[p] != SIZE_MAX) {
            audit.sends[p] = std::move(run.check(sends[p]));
        } else {
            audit.sends[p] = check_of(places[p]);
            audit.sends[p].reasons.push_back({kinds[p], unknown[p]});
        }
    }
    for (size_t i = 0; i < fleet.settings.size(); ++i) {
        SettingAudit &a = audit.settings[i];
        if (checks[i] == SIZE_MAX) {
            a.invalid = unknown[a.place];
        } else {
            a.check = std::move(run.check(checks[i]));
        }
    }
    return audit;
}

}  // namespace qeltz
