// A bounded text builder for the timezone writers: appends characters and
// decimal numbers to a fixed buffer and silently drops whatever does not fit,
// the way a bounded formatted write cuts its output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qel::tz {

class Text {
  public:
    // Holds at most `limit` characters of `buffer`; no NUL is kept.
    Text(char *buffer, size_t limit) : buf_(buffer), limit_(limit) {}

    void put(char c) {
        if (len_ < limit_) buf_[len_++] = c;
    }

    void put(const char *s, size_t n) {
        const size_t room = limit_ - len_;
        const size_t take = n < room ? n : room;
        std::memcpy(buf_ + len_, s, take);
        len_ += take;
    }

    void put(const char *s) { put(s, std::strlen(s)); }

    // Decimal as printf's %d, or %0<width>d with a width: zeros between the
    // sign and the digits up to `width` characters in all.
    void put_int(int32_t value, size_t width = 0) {
        char digits[10];
        size_t n = 0;
        uint32_t magnitude = value < 0 ? 0U - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        size_t shown = n;
        if (value < 0) {
            put('-');
            ++shown;
        }
        for (; shown < width; ++shown) put('0');
        while (n > 0) put(digits[--n]);
    }

    const char *data() const { return buf_; }
    size_t size() const { return len_; }

    // Writes the text into a caller's buffer of `size` bytes (size >= 1):
    // at most size - 1 characters, then a NUL.
    void copy_to(char *out, int32_t size) const {
        const size_t room = static_cast<size_t>(size) - 1;
        const size_t take = len_ < room ? len_ : room;
        std::memcpy(out, buf_, take);
        out[take] = '\0';
    }

  private:
    char *buf_;
    size_t limit_;
    size_t len_ = 0;
};

}  // namespace qel::tz
