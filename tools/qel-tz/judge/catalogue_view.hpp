// SPDX-License-Identifier: MIT
// The device library's zone catalogue, read from the library's own table
// (src/tz/catalogue.hpp, compiled into the tool): the tool keeps no copy of
// the catalogue and derives none of its facts.
#pragma once

#include <cstdint>
#include <vector>

#include "tz/catalogue.hpp"

namespace qeltz {

using CatalogueZone = qel::tz::Zone;

// The 35 zones, ordered by offset.
const std::vector<const CatalogueZone *> &catalogue();

// The zone at an offset in minutes east of UTC, or null.
const CatalogueZone *zone_by_minutes(int64_t minutes);

// The zone's short code (100 + hours), or 0 where it has none.
int32_t short_code(const CatalogueZone &zone);

}  // namespace qeltz
