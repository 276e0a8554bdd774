// The few pieces of JSON the tool writes.
#pragma once

#include <string>
#include <vector>

#include "qel_time.h"

namespace qeltz {

std::string json_string(const std::string &s);
std::string json_strings(const std::vector<std::string> &v);
// A record as `qel-tz parse --json` prints it.
std::string json_record(const qel_tzset &r);

}  // namespace qeltz
