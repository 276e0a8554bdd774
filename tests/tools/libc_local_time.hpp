// SPDX-License-Identifier: MIT
// This process's own C library's local time under a TZ value, for the tests:
// localtime_r sampled every `step` seconds, each change between two samples
// found by halving. Written apart from the tool's readers and sharing none of
// their code, it is the oracle they are compared with.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "judge/local_time.hpp"

namespace qeltest {

inline qeltz::Span libc_at(int64_t t) {
    const auto when = static_cast<time_t>(t);
    struct tm tm {};
    localtime_r(&when, &tm);
    return {t, static_cast<int32_t>(tm.tm_gmtoff), tm.tm_isdst > 0, tm.tm_zone != nullptr ? tm.tm_zone : ""};
}

// TZ=tz (and TZDIR=tzdir where given) over [from, to); the environment is put back after.
inline std::vector<qeltz::Span> libc_local_time(const std::string &tz, int64_t from, int64_t to, int64_t step,
                                                const char *tzdir = nullptr) {
    const char *old_tz = std::getenv("TZ"), *old_dir = std::getenv("TZDIR");
    const std::string saved_tz = old_tz != nullptr ? old_tz : "", saved_dir = old_dir != nullptr ? old_dir : "";
    setenv("TZ", tz.c_str(), 1);
    if (tzdir != nullptr) setenv("TZDIR", tzdir, 1);
    tzset();
    std::vector<qeltz::Span> spans{libc_at(from)};
    for (int64_t at = from; at < to - 1;) {
        const int64_t next = at + step < to - 1 ? at + step : to - 1;
        while (!qeltz::same_local_time(libc_at(next), spans.back())) {
            int64_t lo = at, hi = next;
            while (hi - lo > 1) {
                const int64_t mid = lo + (hi - lo) / 2;
                (qeltz::same_local_time(libc_at(mid), spans.back()) ? lo : hi) = mid;
            }
            spans.push_back(libc_at(hi));
            at = hi;
        }
        at = next;
    }
    old_tz != nullptr ? setenv("TZ", saved_tz.c_str(), 1) : unsetenv("TZ");
    if (tzdir != nullptr) old_dir != nullptr ? setenv("TZDIR", saved_dir.c_str(), 1) : unsetenv("TZDIR");
    tzset();
    return spans;
}

}  // namespace qeltest
