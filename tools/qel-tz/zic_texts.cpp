// SPDX-License-Identifier: MIT
#include "zic_texts.hpp"

#include "derive.hpp"
#include "posix_tz.hpp"

namespace qeltz {

std::string record_zic_text(const qel_tzset &record) {
    char text[1024];
    return qel_tzset_to_zicstr(&record, text, sizeof text) == QEL_OK ? text : "";
}

std::string derived_zic_text(const Place &place) {
    PosixTz rule;
    std::string why;
    if (!parse_posix_tz(place.zone.footer, rule, why)) return "";
    const Derivation d = derive_record(rule, place.years);
    return d.representable ? record_zic_text(d.record) : "";
}

std::string tz_zic_text(const std::string &tz) {
    qel_tzset record{};
    return qel_tzstr_to_tzset(tz.c_str(), &record) == QEL_OK ? record_zic_text(record) : "";
}

}  // namespace qeltz
