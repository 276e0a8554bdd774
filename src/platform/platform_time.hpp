// SPDX-License-Identifier: MIT
// Conversions between the library's 64-bit time values and the platform's
// time_t, shared by the clock and calendar code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <type_traits>

namespace qel {

// Values read from the platform are widened by sign extension; this is a
// no-op where time_t (or long) is already 64 bits. The kernel's counts are
// signed longs; where a C library declares one unsigned (musl's sysinfo
// uptime), its bits are read back as the kernel's signed value first.
template <typename T>
constexpr int64_t widen(T value) {
    static_assert(std::is_integral_v<T>, "platform counts are integers");
    return static_cast<int64_t>(static_cast<std::make_signed_t<T>>(value));
}

// The low 32 bits of a value read as a signed 32-bit number.
constexpr int32_t low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// A 64-bit time value handed to the platform. Where time_t is 32 bits the
// platform gets the low 32 bits read as a signed number, the device's
// historical behaviour. Where time_t is 64 bits (a 64-bit host, or a 32-bit
// device built with _TIME_BITS=64) the value is handed on whole, so that such
// a build keeps working past 2038.
constexpr time_t to_platform(int64_t value) {
    if constexpr (sizeof(time_t) < sizeof(int64_t)) {
        return static_cast<time_t>(low32(value));
    } else {
        return static_cast<time_t>(value);
    }
}

// The fields of struct tm that copy_fresh_tm copies are all it has.
static_assert(offsetof(struct tm, tm_zone) + sizeof(const char *) == sizeof(struct tm), "struct tm ends with tm_zone");
static_assert(offsetof(struct tm, tm_gmtoff) >= offsetof(struct tm, tm_isdst) + sizeof(int),
              "struct tm has tm_gmtoff after tm_isdst");

// Copies a struct tm that the C library has just filled, every field. The
// fields are read one by one: the compiler would otherwise merge them into
// wide loads, which the processor cannot serve from the C library's narrow
// stores still on their way to the cache, and every such load stalls.
inline void copy_fresh_tm(struct tm *to, const struct tm &from) {
    const volatile struct tm &src = from;
    to->tm_sec = src.tm_sec;
    to->tm_min = src.tm_min;
    to->tm_hour = src.tm_hour;
    to->tm_mday = src.tm_mday;
    to->tm_mon = src.tm_mon;
    to->tm_year = src.tm_year;
    to->tm_wday = src.tm_wday;
    to->tm_yday = src.tm_yday;
    to->tm_isdst = src.tm_isdst;
    to->tm_gmtoff = src.tm_gmtoff;
    to->tm_zone = src.tm_zone;
}

}  // namespace qel
