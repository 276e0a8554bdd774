// What the commands share: where the tz database is, and the forms of text
// their output takes (commands.hpp).
#include <cstdio>
#include <cstdlib>

#include "commands.hpp"
#include "derive.hpp"
#include "verdict.hpp"

namespace qeltz {

namespace {

// The length of the well-formed UTF-8 character at s[i] that a terminal
// shows as it is (no control character, no backslash), or 0.
size_t shown_as_is(const std::string &s, size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) return lead >= 0x20 && lead != 0x7f && lead != '\\' ? 1 : 0;
    const size_t n = lead >= 0xc2 && lead <= 0xdf   ? 2
                     : lead >= 0xe0 && lead <= 0xef ? 3
                     : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                    : 0;
    if (n == 0 || i + n > s.size()) return 0;
    uint32_t cp = lead & (0x7f >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xc0) != 0x80) return 0;
        cp = cp << 6 | (c & 0x3f);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool c1 = cp < 0xa0, surrogate = cp >= 0xd800 && cp <= 0xdfff;
    return cp < kLeast[n] || c1 || surrogate || cp > 0x10ffff ? 0 : n;
}

}  // namespace

std::string tzdir_of(const Request &r) {
    if (!r.tzdir.empty()) return r.tzdir;
    const char *env = std::getenv("TZDIR");
    return env != nullptr && *env != '\0' ? env : "/usr/share/zoneinfo";
}

std::string printable(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const size_t n = shown_as_is(s, i);
        if (n > 0) {
            out.append(s, i, n);
            i += n;
            continue;
        }
        const char c = s[i++];
        if (c == '\\' || c == '\n' || c == '\r' || c == '\t') {
            out += '\\';
            out += c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\t' ? 't' : '\\';
        } else {
            char esc[8];
            (void)std::snprintf(esc, sizeof esc, "\\x%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += esc;
        }
    }
    return out;
}

std::string csv_field(const std::string &s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char ch : s) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return out + "\"";
}

std::string record_cells(const qel_tzset *record) {
    if (record == nullptr) return ",,,,";
    std::string cells = std::to_string(record->zone) + "," + std::to_string(record->dst_on);
    if (record->dst_on == 0) return cells + ",,,";
    return cells + "," + std::to_string(record->dst_minutes) + "," + rule_text(rule_of(record->start)) + "," +
           rule_text(rule_of(record->end));
}

std::string iso_utc(int64_t utc) { return date_time_text(utc).replace(10, 1, "T") + "Z"; }

std::string counted(size_t n, const std::string &noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

}  // namespace qeltz
