// SPDX-License-Identifier: MIT
// qel-tz's compiled zone reader on any bytes: it accepts or refuses with a
// reason, and what it accepts is consistent: transitions in order, each
// naming a type that exists, at least one type, a footer of one line.
#include <cstdint>
#include <string>

#include "formats/tzif.hpp"
#include "fuzz_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    qeltz::TzifZone zone;
    std::string why;
    if (!qeltz::parse_tzif(bytes, zone, why)) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    FUZZ_CHECK(!zone.types.empty() && zone.times.size() == zone.types_at.size());
    for (size_t i = 0; i < zone.times.size(); ++i) {
        FUZZ_CHECK(zone.types_at[i] < zone.types.size());
        FUZZ_CHECK(i == 0 || zone.times[i - 1] < zone.times[i]);
    }
    FUZZ_CHECK(zone.rule_line.find('\n') == std::string::npos);
    return 0;
}
