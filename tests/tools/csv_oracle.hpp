// SPDX-License-Identifier: MIT
// A second reading of comma-separated text, for the tests and the fuzz
// target of the fleet file reader: a state machine over the bytes of the
// whole text, written apart from the tool's reader and sharing none of its
// code. The same rules: RFC 4180 quoting; a line ends at CRLF, LF or a CR
// alone, inside quotes as data; a byte order mark passed over, blank lines
// skipped; a record that breaks the quoting rules or has more than
// `max_bytes` bytes marked and ended at the next line end; UTF-16 and UTF-32
// files told apart by their first bytes. Each record's first and last line,
// and the quote that first carries it over a line end; the text's lines.
// Beside it, how the tests hand a text to a stream reader.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qeltest {

struct OracleRecord {
    size_t line = 0;
    std::vector<std::string> fields;
    bool broken = false;                      // breaks the quoting rules
    bool too_long = false;                    // more than max_bytes bytes before its line end
    size_t last_line = 0;                     // the line of its last byte before the line end that ends it
    size_t quote_line = 0, quote_closed = 0;  // the first quoted field with a line end in it: its quotes' lines
};

// How the tests hand a text to a stream reader: in chunks of 1 to 16 bytes,
// their sizes drawn from `seed`, so that records, quotes and CRLFs straddle
// the reads.
inline std::function<long(char *, size_t)> chunks_of(const std::string &text, uint32_t seed) {
    return [&text, seed, at = size_t{0}](char *buffer, size_t size) mutable -> long {
        seed = seed * 1103515245u + 12345u;
        const size_t n = text.copy(buffer, std::min(size, size_t{1} + (seed >> 16) % 16), at);
        at += n;
        return static_cast<long>(n);
    };
}

// "UTF-16 (little-endian)" and the like, or "" for a text read as bytes.
inline std::string oracle_encoding(const std::string &t) {
    if (t.compare(0, 4, std::string("\0\0\xFE\xFF", 4)) == 0) return "UTF-32 (big-endian)";
    if (t.compare(0, 4, std::string("\xFF\xFE\0\0", 4)) == 0) return "UTF-32 (little-endian)";
    if (t.compare(0, 2, "\xFE\xFF") == 0) return "UTF-16 (big-endian)";
    if (t.compare(0, 2, "\xFF\xFE") == 0) return "UTF-16 (little-endian)";
    // Count the NULs at even and odd offsets of the first 64 bytes (whole pairs).
    const size_t n = (t.size() < 64 ? t.size() : 64) & ~size_t{1};
    size_t even = 0, odd = 0;
    for (size_t i = 0; i < n; ++i) (i % 2 == 0 ? even : odd) += t[i] == '\0';
    if (n >= 4 && even == 0 && odd == n / 2) return "UTF-16 (little-endian)";
    if (n >= 4 && odd == 0 && even == n / 2) return "UTF-16 (big-endian)";
    return "";
}

inline std::string oracle_text(const std::string &input) {
    return input.rfind("\xEF\xBB\xBF", 0) == 0 ? input.substr(3) : input;
}

// The lines of a text: CR, LF and CRLF each end one; bytes after the last end make one more.
inline size_t oracle_lines(const std::string &input) {
    const std::string t = oracle_text(input);
    size_t lines = 0;
    for (size_t i = 0; i < t.size(); ++i) lines += t[i] == '\r' || (t[i] == '\n' && (i == 0 || t[i - 1] != '\r'));
    return lines + (!t.empty() && t.back() != '\r' && t.back() != '\n');
}

inline std::vector<OracleRecord> oracle_csv(const std::string &input, size_t max_bytes) {
    if (!oracle_encoding(input).empty()) return {};
    const std::string t = oracle_text(input);
    enum { kOutside, kFieldStart, kPlain, kQuoted, kAfterQuote, kSkip } state = kOutside;
    std::vector<OracleRecord> out;
    size_t line = 1, bytes = 0, opened = 0, crossing = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const bool line_end = c == '\r' || c == '\n', lf_of_crlf = c == '\n' && i > 0 && t[i - 1] == '\r';
        if (state == kOutside && !line_end) {
            out.push_back({line, {""}, false, false});
            state = kFieldStart;
            bytes = crossing = 0;
        }
        const size_t at = lf_of_crlf ? line - 1 : line;  // the line this byte is on
        // The line after this byte: CR and LF each end one, CRLF one only.
        if (c == '\r' || (c == '\n' && !lf_of_crlf)) ++line;
        if (state == kOutside) continue;
        OracleRecord &r = out.back();
        if (!line_end || state == kQuoted) r.last_line = at;
        if (line_end && state == kQuoted && r.quote_line == 0) {
            r.quote_line = opened;
            crossing = r.fields.size();
        }
        if (line_end && state != kQuoted) {
            state = kOutside;
        } else if (state == kSkip) {
            // passed over up to the line end
        } else if (++bytes > max_bytes) {
            r.too_long = true;
            state = kSkip;
        } else if (state == kQuoted) {
            if (c == '"') {
                state = kAfterQuote;
                if (r.fields.size() == crossing) r.quote_closed = at;
            } else {
                r.fields.back() += c;
            }
        } else if (c == ',') {
            r.fields.emplace_back();
            state = kFieldStart;
        } else if (state == kAfterQuote && c == '"') {
            r.fields.back() += '"';
            state = kQuoted;
        } else if (state == kAfterQuote || (c == '"' && state == kPlain)) {
            r.broken = true;
            state = kSkip;
        } else if (c == '"') {
            state = kQuoted;
            opened = at;
        } else {
            r.fields.back() += c;
            state = kPlain;
        }
    }
    if (state == kQuoted) out.back().broken = true;
    return out;
}

}  // namespace qeltest
