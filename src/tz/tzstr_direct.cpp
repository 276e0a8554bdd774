// A single pass over TZ strings in the exact form the TZ writer produces:
//
//   NAME(+|-)hh:mm[:ss][NAME(+|-)hh:mm[:ss]][,Mm.w.d[/hh:mm:ss][,Mm.w.d[/hh:mm:ss]]]
//
// with names of letters, two-digit offset and time fields, one- or two-digit
// months and one-digit weeks and weekdays. Such a text splits into exactly the
// fields the general reading finds, so the pieces are the same; any other
// text is left to the general reading.
#include "tzstr_read.hpp"

namespace {

class Cursor {
  public:
    Cursor(const char *p, const char *end) : p_(p), end_(end) {}

    bool at_end() const { return p_ == end_; }
    bool next_is(char c) const { return p_ != end_ && *p_ == c; }

    bool take(char c) {
        if (!next_is(c)) return false;
        ++p_;
        return true;
    }

    // One or more letters.
    bool skip_name() {
        const char *start = p_;
        while (p_ != end_ && static_cast<unsigned>((*p_ | 0x20) - 'a') < 26U) ++p_;
        return p_ != start;
    }

    bool digit(int32_t &value) {
        if (p_ == end_) return false;
        const auto d = static_cast<unsigned>(*p_ - '0');
        if (d > 9) return false;
        value = static_cast<int32_t>(d);
        ++p_;
        return true;
    }

    bool two_digits(int32_t &value) {
        int32_t tens = 0;
        int32_t ones = 0;
        if (!digit(tens) || !digit(ones)) return false;
        value = 10 * tens + ones;
        return true;
    }

    // (+|-)hh:mm[:ss], as a zone code: 10000 plus hhmm under "-", minus it
    // under "+".
    bool offset_code(int64_t &code) {
        if (p_ == end_ || (*p_ != '+' && *p_ != '-')) return false;
        const bool east = *p_++ == '-';
        int32_t hours = 0;
        int32_t minutes = 0;
        int32_t seconds = 0;
        if (!two_digits(hours) || !take(':') || !two_digits(minutes)) return false;
        if (take(':') && !two_digits(seconds)) return false;
        const int64_t hhmm = 100 * hours + minutes;
        code = east ? 10000 + hhmm : 10000 - hhmm;
        return true;
    }

    // Mm.w.d[/hh:mm:ss]
    bool rule(qel_tzrule &r) {
        int32_t month_ones = 0;
        if (!take('M') || !digit(r.month)) return false;
        if (digit(month_ones)) r.month = 10 * r.month + month_ones;
        if (!take('.') || !digit(r.week) || !take('.') || !digit(r.wday)) return false;
        if (!take('/')) return true;
        return two_digits(r.hour) && take(':') && two_digits(r.minute) && take(':') && two_digits(r.second);
    }

  private:
    const char *p_;
    const char *end_;
};

}  // namespace

namespace qel::tz {

bool read_tz_direct(const char *text, size_t n, TzPieces &pieces) {
    Cursor in(text, text + n);
    if (!in.skip_name() || !in.offset_code(pieces.std_code)) return false;
    if (!in.at_end() && !in.next_is(',') && (!in.skip_name() || !in.offset_code(pieces.dst_code))) return false;
    if (in.take(',') && (!in.rule(pieces.start) || (in.take(',') && !in.rule(pieces.end)))) return false;
    return in.at_end();
}

}  // namespace qel::tz
