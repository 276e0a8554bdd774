// SPDX-License-Identifier: MIT
// The text builder of the timezone writers: each writer appends through a
// cursor (`p = put(p, ...)`) into a CutOutput, which gives the caller at most
// size - 1 characters and a NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qel::tz {

inline char *put(char *p, char c) {
    *p = c;
    return p + 1;
}

inline char *put(char *p, const char *s, size_t n) {
    std::memcpy(p, s, n);
    return p + n;
}

// A NUL-terminated text, without its NUL.
inline char *put(char *p, const char *s) { return put(p, s, std::strlen(s)); }

// Two decimal digits of a value in 0..99.
inline char *put_2digits(char *p, int32_t value) {
    p[0] = static_cast<char>('0' + value / 10);
    p[1] = static_cast<char>('0' + value % 10);
    return p + 2;
}

// The longest text of put_int: a sign and ten digits.
constexpr size_t kIntChars = 11;

// Decimal as printf's %d, or as %02d with width 2: a leading zero for 0..9
// (a negative value's sign already fills the width). At most kIntChars
// characters.
inline char *put_int(char *p, int32_t value, int width = 0) {
    if (value >= 0 && value < 100) {  // the common case: one or two digits
        if (value >= 10 || width == 2) return put_2digits(p, value);
        return put(p, static_cast<char>('0' + value));
    }
    if (value < 0) *p++ = '-';
    uint32_t magnitude = value < 0 ? 0U - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[10];
    size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n > 0) *p++ = digits[--n];
    return p;
}

// Where a writer formats a text of at most Longest characters for a caller's
// buffer of `size` bytes (size >= 1). A buffer that takes the longest text
// and its NUL is written directly; a smaller one receives the first size - 1
// characters of a local copy, then a NUL.
template <size_t Longest>
class CutOutput {
  public:
    CutOutput(char *out, int32_t size) : out_(out), size_(static_cast<size_t>(size)) {}

    char *begin() { return direct() ? out_ : local_; }

    void finish(const char *end) {
        if (direct()) {
            out_[end - out_] = '\0';
            return;
        }
        const auto len = static_cast<size_t>(end - local_);
        const size_t take = len < size_ - 1 ? len : size_ - 1;
        std::memcpy(out_, local_, take);
        out_[take] = '\0';
    }

  private:
    bool direct() const { return size_ > Longest; }

    char *out_;
    size_t size_;
    char local_[Longest];
};

}  // namespace qel::tz
