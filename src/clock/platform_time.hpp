// Conversions between the library's 64-bit time values and the platform's
// time_t, shared by the clock and calendar code.
#pragma once

#include <cstdint>
#include <ctime>
#include <type_traits>

namespace qel {

// Values read from the platform are widened by sign extension; this is a
// no-op where time_t (or long) is already 64 bits.
template <typename T>
constexpr int64_t widen(T value) {
    static_assert(std::is_signed_v<T>, "platform counts are signed");
    return static_cast<int64_t>(value);
}

// A 64-bit time value handed to the platform. Where time_t is 32 bits the
// platform gets the low 32 bits read as a signed number, the device's
// historical behaviour. Where time_t is 64 bits (a 64-bit host, or a 32-bit
// device built with _TIME_BITS=64) the value is handed on whole, so that such
// a build keeps working past 2038.
constexpr time_t to_platform(int64_t value) {
    if constexpr (sizeof(time_t) < sizeof(int64_t)) {
        return static_cast<time_t>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    } else {
        return static_cast<time_t>(value);
    }
}

// The low 32 bits of a value read as a signed 32-bit number.
constexpr int32_t low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace qel
