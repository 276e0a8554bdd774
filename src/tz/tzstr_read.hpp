// The two ways the TZ parser reads a text into its pieces, before the range
// checks: the general reading, which splits fields the way strtok does and
// reads numbers the way atoi does, and a direct single pass for texts in the
// exact form the TZ writer produces. For every text the direct pass accepts,
// both give the same pieces (the fuzz target compares them).
#pragma once

#include <cstddef>
#include <cstdint>

#include "qel_time.h"

namespace qel::tz {

struct TzPieces {
    int64_t std_code = 0;  // zone code of the standard offset
    int64_t dst_code = 0;  // zone code of the daylight offset, 0 for none
    qel_tzrule start{};    // all zero where the text has no such rule
    qel_tzrule end{};
};

// Both read the n characters at text (n <= 127) and return false for a text
// they do not take: for the general reading that is a refusal, for the
// direct pass only a hand-over to the general reading.
bool read_tz_general(const char *text, size_t n, TzPieces &pieces);
bool read_tz_direct(const char *text, size_t n, TzPieces &pieces);

}  // namespace qel::tz
