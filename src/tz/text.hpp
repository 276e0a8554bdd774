// Text building for the timezone writers. Each writer formats into a local
// buffer sized for its longest possible text, through a cursor kept in a
// local variable (so the compiler can hold it in a register), and then hands
// the caller at most size - 1 characters of it and a NUL.
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

// A NUL-terminated name from a fixed-size field.
template <size_t N>
char *put_name(char *p, const char (&name)[N]) {
    return put(p, name, strnlen(name, N));
}

// The longest text of put_int: a sign and ten digits.
constexpr size_t kIntChars = 11;

// Decimal as printf's %d, or as %02d with width 2: a leading zero for 0..9
// (a negative value's sign already fills the width). At most kIntChars
// characters.
inline char *put_int(char *p, int32_t value, int width = 0) {
    if (value >= 0 && value < 100) {  // the common case: one or two digits
        if (value >= 10 || width == 2) *p++ = static_cast<char>('0' + value / 10);
        *p++ = static_cast<char>('0' + value % 10);
        return p;
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

// Writes the text [begin, end) into a caller's buffer of `size` bytes
// (size >= 1): at most size - 1 characters, then a NUL.
inline void copy_cut(char *out, int32_t size, const char *begin, const char *end) {
    const auto len = static_cast<size_t>(end - begin);
    const size_t room = static_cast<size_t>(size) - 1;
    const size_t take = len < room ? len : room;
    std::memcpy(out, begin, take);
    out[take] = '\0';
}

}  // namespace qel::tz
