// SPDX-License-Identifier: MIT
#include "formats/posix_tz.hpp"

#include <cstdio>

namespace qeltz {

namespace {

bool is_leap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int64_t year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

class Reader {
  public:
    explicit Reader(const std::string &s) : s_(s) {}
    bool at_end() const { return i_ == s_.size(); }
    char peek() const { return at_end() ? '\0' : s_[i_]; }
    bool eat(char c) {
        if (peek() != c) return false;
        ++i_;
        return true;
    }
    bool fail(const std::string &what) {
        why_ = what + (at_end() ? " at the end" : " at character " + std::to_string(i_ + 1));
        return false;
    }
    const std::string &why() const { return why_; }

    // name: three or more letters, or <three or more letters, digits, + or ->.
    bool name(std::string &out, const char *which) {
        const size_t from = i_;
        if (eat('<')) {
            while (!at_end() && (isalnum(peek()) || peek() == '+' || peek() == '-')) ++i_;
            out = s_.substr(from + 1, i_ - from - 1);
            if (!eat('>')) return fail(std::string("the quoted ") + which + " name is not closed");
        } else {
            while (!at_end() && isalpha(peek())) ++i_;
            out = s_.substr(from, i_ - from);
        }
        if (out.size() < 3) return fail(std::string("the ") + which + " name has fewer than three letters");
        return true;
    }

    // A decimal number from min to max. Every digit is read, the value kept
    // bounded, so that a long run of digits is refused, never wrapped.
    // `what()` names it, where it is refused: words are made only then.
    template <typename What>
    bool number(int64_t min, int64_t max, int64_t &out, const What &what) {
        if (!isdigit(peek())) return fail(what() + " is missing");
        const size_t from = i_;
        out = 0;
        for (; isdigit(peek()); ++i_) {
            if (out <= max) out = out * 10 + (s_[i_] - '0');
        }
        if (out >= min && out <= max) return true;
        why_ =
            what() + " " + s_.substr(from, i_ - from) + " is not " + std::to_string(min) + ".." + std::to_string(max);
        return false;
    }

    // [+-]hh[:mm[:ss]] as seconds, the sign applied.
    template <typename What>
    bool hms(int64_t max_hours, int32_t &seconds, const What &what) {
        const bool negative = eat('-');
        if (!negative) eat('+');
        int64_t h = 0, m = 0, s = 0;
        if (!number(0, max_hours, h, [&] { return what() + " hours"; })) return false;
        if (eat(':') && (!number(0, 59, m, [&] { return what() + " minutes"; }) ||
                         (eat(':') && !number(0, 59, s, [&] { return what() + " seconds"; })))) {
            return false;
        }
        const int64_t total = h * 3600 + m * 60 + s;
        seconds = static_cast<int32_t>(negative ? -total : total);
        return true;
    }

    bool rule(PosixRule &r, const char *which) {
        const auto what = [which] {
            return *which != '\0' ? std::string("the ") + which + " rule" : std::string("the rule");
        };
        int64_t a = 0, b = 0, c = 0;
        if (eat('J')) {
            r.form = PosixRule::kJulian;
            if (!number(1, 365, a, [&] { return what() + " day"; })) return false;
            r.day = static_cast<int>(a);
        } else if (eat('M')) {
            r.form = PosixRule::kMonthWeekDay;
            if (!number(1, 12, a, [&] { return what() + " month"; }) ||
                !(eat('.') || fail(what() + " is not Mm.w.d")) || !number(1, 5, b, [&] { return what() + " week"; }) ||
                !(eat('.') || fail(what() + " is not Mm.w.d")) ||
                !number(0, 6, c, [&] { return what() + " weekday"; })) {
                return false;
            }
            r.month = static_cast<int>(a);
            r.week = static_cast<int>(b);
            r.wday = static_cast<int>(c);
        } else {
            r.form = PosixRule::kDayOfYear;
            if (!number(0, 365, a, [&] { return what() + " day"; })) return false;
            r.day = static_cast<int>(a);
        }
        r.time = 7200;
        r.time_given = eat('/');
        return !r.time_given || hms(167, r.time, [&] { return what() + " time"; });
    }

  private:
    static bool isalpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isdigit(char c) { return c >= '0' && c <= '9'; }
    static bool isalnum(char c) { return isalpha(c) || isdigit(c); }

    const std::string &s_;
    size_t i_ = 0;
    std::string why_;
};

}  // namespace

bool parse_posix_tz(const std::string &text, PosixTz &tz, std::string &why) {
    tz = PosixTz{};
    Reader r(text);
    const auto done = [&](bool ok) {
        if (!ok) why = r.why();
        return ok;
    };
    if (r.peek() == ':') {
        why = "a leading ':' names a file, not a rule";
        return false;
    }
    int32_t west = 0;
    if (!r.name(tz.std_name, "standard") || !r.hms(24, west, [] { return std::string("the standard offset"); })) {
        return done(false);
    }
    tz.std_offset = -west;
    if (r.at_end()) return true;
    tz.has_dst = true;
    if (!r.name(tz.dst_name, "daylight")) return done(false);
    tz.dst_offset = tz.std_offset + 3600;
    if (!r.at_end() && r.peek() != ',') {
        if (!r.hms(24, west, [] { return std::string("the daylight offset"); })) return done(false);
        tz.dst_offset = -west;
        tz.dst_offset_given = true;
    }
    if (r.at_end()) return true;
    tz.has_rules = true;
    if (!(r.eat(',') || r.fail("',' before the start rule is missing")) || !r.rule(tz.start, "start") ||
        !(r.eat(',') || r.fail("',' before the end rule is missing")) || !r.rule(tz.end, "end")) {
        return done(false);
    }
    return done(r.at_end() || r.fail("text follows the end rule"));
}

bool parse_posix_rule(const std::string &text, PosixRule &rule, std::string &why) {
    Reader r(text);
    if (r.rule(rule, "") && (r.at_end() || r.fail("text follows the rule"))) return true;
    why = r.why();
    return false;
}

std::string rule_text(const PosixRule &rule) {
    char day[32];
    if (rule.form == PosixRule::kMonthWeekDay) {
        std::snprintf(day, sizeof day, "M%d.%d.%d", rule.month, rule.week, rule.wday);
    } else {
        std::snprintf(day, sizeof day, "%s%d", rule.form == PosixRule::kJulian ? "J" : "", rule.day);
    }
    const int32_t t = rule.time < 0 ? -rule.time : rule.time;
    char time[32];
    std::snprintf(time, sizeof time, "/%s%02d:%02d:%02d", rule.time < 0 ? "-" : "", t / 3600, t / 60 % 60, t % 60);
    return std::string(day) + time;
}

int64_t days_from_civil(int64_t year, int month, int day) {
    // Howard Hinnant's algorithm: March-based years, 400-year eras.
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int64_t rule_local_seconds(const PosixRule &rule, int year) {
    int64_t day = 0;
    if (rule.form == PosixRule::kJulian) {
        // Jn: February 29 is never counted, so day 60 is always March 1.
        day = days_from_civil(year, 1, 1) + rule.day - 1 + (is_leap(year) && rule.day >= 60 ? 1 : 0);
    } else if (rule.form == PosixRule::kDayOfYear) {
        day = days_from_civil(year, 1, 1) + rule.day;
    } else {
        const int64_t first = days_from_civil(year, rule.month, 1);
        const int first_wday = static_cast<int>(((first % 7) + 11) % 7);  // 1970-01-01 was a Thursday
        int mday = 1 + (rule.wday - first_wday + 7) % 7 + 7 * (rule.week - 1);
        while (mday > days_in_month(year, rule.month)) mday -= 7;  // week 5: the last one
        day = first + mday - 1;
    }
    return day * 86400 + rule.time;
}

}  // namespace qeltz
