// SPDX-License-Identifier: MIT
// Reading compiled zone files (TZif, versions 1 to 4): the transition times,
// the local time types and the rule line (the footer TZ string) that governs the times after
// the last transition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qeltz {

struct TzifType {
    int32_t utoff = 0;  // seconds east of UTC
    bool isdst = false;
    std::string abbr;
};

struct TzifZone {
    char version = 0;               // 0 for version 1, else '2', '3' or '4'
    std::vector<int64_t> times;     // transition times, UTC, ascending
    std::vector<uint8_t> types_at;  // the type that starts at each transition
    std::vector<TzifType> types;
    std::string rule_line;  // the TZ string of version 2 and later (the file's footer), may be empty
};

// Reads a whole file's bytes. False, with the reason in `why`, for anything
// that is not a well-formed TZif file.
bool parse_tzif(const std::string &bytes, TzifZone &zone, std::string &why);

}  // namespace qeltz
