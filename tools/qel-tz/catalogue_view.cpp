#include "catalogue_view.hpp"

#include "qel_time.h"
#include "zic_runner.hpp"

namespace qeltz {

namespace {

std::vector<CatalogueZone> ask_the_library() {
    std::vector<CatalogueZone> zones;
    // Long codes run from 8800 (UTC-12:00) to 11400 (UTC+14:00); the zic
    // writer takes exactly the catalogue's.
    for (int32_t code = 8800; code <= 11400; ++code) {
        const qel_tzset r = {code, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
        char zic[512], tz[64];
        if (qel_tzset_to_zicstr(&r, zic, sizeof zic) != QEL_OK || qel_tzset_to_tzstr(&r, tz, sizeof tz) != QEL_OK) {
            continue;
        }
        CatalogueZone z;
        z.long_code = code;
        const int32_t d = code - 10000;
        z.minutes = 60 * (d / 100) + d % 100;
        z.short_code = z.minutes % 60 == 0 ? 100 + z.minutes / 60 : 0;
        tz_names(tz, z.std_name, z.dst_name);
        zones.push_back(z);
    }
    return zones;
}

}  // namespace

const std::vector<CatalogueZone> &catalogue() {
    static const std::vector<CatalogueZone> zones = ask_the_library();
    return zones;
}

const CatalogueZone *zone_by_code(int32_t code) {
    for (const auto &z : catalogue()) {
        if (z.long_code == code || (z.short_code != 0 && z.short_code == code)) return &z;
    }
    return nullptr;
}

const CatalogueZone *zone_by_minutes(int64_t minutes) {
    for (const auto &z : catalogue()) {
        if (z.minutes == minutes) return &z;
    }
    return nullptr;
}

}  // namespace qeltz
