// SPDX-License-Identifier: MIT
// Wrap-safe ordering of 64-bit time values and the delay checks built on it.
// Every ordering test subtracts modulo 2^64 and reads bit 63 of the
// difference; the operands are never compared directly.
#include "qel_time.h"

namespace {

// Bit 63 of a - b, computed in unsigned arithmetic so the wrap is defined.
constexpr int32_t negative_difference(int64_t a, int64_t b) {
    const uint64_t diff = static_cast<uint64_t>(a) - static_cast<uint64_t>(b);
    return static_cast<int32_t>(diff >> 63);
}

// Compares the clock reading now with base + delay; the addition wraps
// modulo 2^64 like the comparisons themselves.
int32_t deadline_reached(int32_t read_result, int64_t now, int64_t base, int32_t delay) {
    if (read_result < 0) return QEL_ENESTED;
    const int64_t deadline = static_cast<int64_t>(static_cast<uint64_t>(base) + static_cast<uint64_t>(int64_t{delay}));
    return qel_time_after_eq(now, deadline);
}

}  // namespace

extern "C" {

int32_t qel_time_after(int64_t a, int64_t b) { return negative_difference(b, a); }

int32_t qel_time_before(int64_t a, int64_t b) { return negative_difference(a, b); }

int32_t qel_time_after_eq(int64_t a, int64_t b) { return negative_difference(a, b) ^ 1; }

int32_t qel_time_before_eq(int64_t a, int64_t b) { return negative_difference(b, a) ^ 1; }

// Both tests are pure arithmetic, so both are made and combined without a
// branch; the result is the same as stopping after a failed first test.
int32_t qel_time_in_range(int64_t t, int64_t start, int64_t end) {
    return qel_time_after_eq(t, start) & qel_time_before_eq(t, end);
}

int32_t qel_time_delay(int64_t base, int32_t delay) {
    int64_t now = 0;
    const int32_t rc = qel_get_time(&now);
    return deadline_reached(rc, now, base, delay);
}

int32_t qel_uptime_delay(int64_t base, int32_t delay) {
    int64_t now = 0;
    const int32_t rc = qel_get_uptime(&now);
    return deadline_reached(rc, now, base, delay);
}

}  // extern "C"
