#include "fleet_audit.hpp"

#include <map>

#include "zic_texts.hpp"

namespace qeltz {

FleetAudit audit_fleet(const Fleet &fleet, const std::string &tzdir, Years years) {
    FleetAudit audit;
    const TzDatabase db = tz_database(tzdir);
    audit.tzdata = db.version;
    audit.years = years;
    audit.settings.resize(fleet.settings.size());

    // Each place once. Its derived record's zic text and every setting's go
    // to zic in one run.
    std::map<std::string, size_t> place_index;
    std::vector<Place> places;
    std::vector<std::string> unknown, texts;  // for each place, why it cannot be loaded
    std::vector<ReasonKind> kinds;
    for (size_t i = 0; i < fleet.settings.size(); ++i) {
        const FleetSetting &s = fleet.settings[i];
        const auto [it, added] = place_index.emplace(s.place, places.size());
        if (added) {
            places.emplace_back();
            unknown.emplace_back();
            kinds.emplace_back();
            if (load_place(db, s.place, years, places.back(), unknown.back(), &kinds.back())) {
                texts.push_back(derived_zic_text(places.back()));
            }
        }
        audit.settings[i].place = it->second;
        texts.push_back(s.tz.empty() ? record_zic_text(s.record) : tz_zic_text(s.tz));
    }
    ZicWorkspace zic;
    zic.compile_all(texts);

    audit.sends.resize(places.size());
    for (const auto &[name, p] : place_index) {
        PlaceCheck &send = audit.sends[p];
        if (unknown[p].empty()) {
            send = check_derived(places[p], zic);
        } else {
            send = check_of(places[p]);
            send.reasons.push_back({kinds[p], unknown[p]});
        }
    }
    for (size_t i = 0; i < fleet.settings.size(); ++i) {
        const FleetSetting &s = fleet.settings[i];
        SettingAudit &a = audit.settings[i];
        if (!unknown[a.place].empty()) {
            a.invalid = unknown[a.place];
            continue;
        }
        Place &place = places[a.place];
        a.check = s.tz.empty() ? check_record(place, s.record, zic) : check_tz_string(place, s.tz, zic);
    }
    return audit;
}

}  // namespace qeltz
