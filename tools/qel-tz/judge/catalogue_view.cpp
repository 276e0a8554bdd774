// SPDX-License-Identifier: MIT
#include "judge/catalogue_view.hpp"

namespace qeltz {

const std::vector<const CatalogueZone *> &catalogue() {
    static const std::vector<const CatalogueZone *> zones = [] {
        std::vector<const CatalogueZone *> all;
        for (int32_t code = qel::tz::kLongFirst; code <= qel::tz::kLongLast; ++code) {
            if (const CatalogueZone *zone = qel::tz::find_zone(code)) all.push_back(zone);
        }
        return all;
    }();
    return zones;
}

const CatalogueZone *zone_by_minutes(int64_t minutes) {
    for (const CatalogueZone *zone : catalogue()) {
        if (zone->minutes() == minutes) return zone;
    }
    return nullptr;
}

int32_t short_code(const CatalogueZone &zone) {
    // The short code of whole hours, where the library takes it for this zone.
    const int32_t code = 100 + zone.minutes() / 60;
    return qel::tz::find_zone(code) == &zone ? code : 0;
}

}  // namespace qeltz
