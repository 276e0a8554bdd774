// SPDX-License-Identifier: MIT
// Shared by the fuzz targets: a value or buffer with guard bytes on both
// sides, and a check that stops the run with a message.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

namespace qelfuzz {

constexpr unsigned char kGuard = 0xC5;
constexpr size_t kGuardSize = 32;

// `N` bytes for the code under test, with guard bytes before and after.
template <size_t N>
struct Guarded {
    unsigned char before[kGuardSize];
    unsigned char bytes[N];
    unsigned char after[kGuardSize];

    explicit Guarded(unsigned char fill) {
        std::memset(before, kGuard, sizeof before);
        std::memset(bytes, fill, sizeof bytes);
        std::memset(after, kGuard, sizeof after);
    }
    bool guards_intact() const {
        for (size_t i = 0; i < kGuardSize; ++i) {
            if (before[i] != kGuard || after[i] != kGuard) return false;
        }
        return true;
    }
    char *chars() { return reinterpret_cast<char *>(bytes); }
};

}  // namespace qelfuzz
