// The catalogue of zones as the device library itself tells it: the codes
// its zic writer takes and the names its TZ writer writes. The tool keeps no
// copy of the catalogue of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qeltz {

struct CatalogueZone {
    int32_t long_code = 0;
    int32_t short_code = 0;  // 0 where the offset is not whole hours
    int32_t minutes = 0;     // east of UTC
    std::string std_name, dst_name;
};

const std::vector<CatalogueZone> &catalogue();

// The zone of a code in either form, or of an offset in minutes east of UTC;
// null if the catalogue has none.
const CatalogueZone *zone_by_code(int32_t code);
const CatalogueZone *zone_by_minutes(int64_t minutes);

}  // namespace qeltz
