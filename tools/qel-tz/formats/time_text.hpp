// SPDX-License-Identifier: MIT
// The forms in which the tool writes instants and offsets, each written
// once: people read "2026-03-29 01:00:00" and "UTC+05:45", scripts read
// ISO 8601 UTC "2026-03-29T01:00:00Z".
#pragma once

#include <cstdint>
#include <string>

namespace qeltz {

// "2026-03-29 01:00:00" for a UTC instant shifted by an offset.
std::string date_time_text(int64_t utc, int64_t offset = 0);
// "2026-03-29 01:00", the same to the minute.
std::string minute_text(int64_t utc);
// "2026-03-29T01:00:00Z".
std::string iso_utc(int64_t utc);
// "early November": the UTC month and its part (days 1-10 early, 11-20 mid,
// from 21 late), for what comes back in the same weeks each year.
std::string weeks_text(int64_t utc);
// "20 seconds", "1 minute 15 seconds", "2 hours 30 minutes": an amount of
// time to the second, each unit where it is not 0 ("0 seconds" for none).
std::string duration_text(int64_t seconds);
// "UTC+05:45" for seconds east of UTC.
std::string utc_offset_text(int64_t seconds_east);

}  // namespace qeltz
