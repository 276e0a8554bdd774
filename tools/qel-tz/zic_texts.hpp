// SPDX-License-Identifier: MIT
// The zic texts the place checks compile (place_check.hpp), written ahead
// so that one zic run compiles them all (ZicWorkspace::compile_all).
#pragma once

#include <string>

#include "place_check.hpp"

namespace qeltz {

// The zic text of a record, or "" where the device library writes none.
std::string record_zic_text(const qel_tzset &record);
// Of the record check_derived derives from the place, or "".
std::string derived_zic_text(const Place &place);
// Of the record the device library reads from a TZ string, or "".
std::string tz_zic_text(const std::string &tz);

}  // namespace qeltz
