// SPDX-License-Identifier: MIT
// A second reading of comma-separated text, for the tests and the fuzz
// target of the fleet file reader: a state machine over the bytes, written
// apart from the tool's reader and sharing none of its code. The same rules:
// RFC 4180 quoting, CRLF or LF, a byte order mark passed over, blank lines
// skipped, a record that breaks the quoting rules marked and ended at the
// next line feed.
#pragma once

#include <string>
#include <vector>

namespace qeltest {

struct OracleRecord {
    size_t line = 0;
    std::vector<std::string> fields;
    bool broken = false;
};

inline std::vector<OracleRecord> oracle_csv(const std::string &input) {
    const std::string t = input.rfind("\xEF\xBB\xBF", 0) == 0 ? input.substr(3) : input;
    enum { kOutside, kFieldStart, kPlain, kQuoted, kAfterQuote, kSkip } state = kOutside;
    std::vector<OracleRecord> out;
    size_t line = 1;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const bool cr_of_crlf = c == '\r' && i + 1 < t.size() && t[i + 1] == '\n';
        if (state == kOutside) {
            if (cr_of_crlf) continue;
            if (c == '\n') {
                ++line;
                continue;
            }
            out.push_back({line, {""}, false});
            state = kFieldStart;
        }
        OracleRecord &r = out.back();
        if (c == '\n') ++line;
        if (state == kQuoted) {
            if (c == '"') {
                state = kAfterQuote;
            } else {
                r.fields.back() += c;
            }
        } else if (state == kSkip) {
            if (c == '\n') state = kOutside;
        } else if (cr_of_crlf) {
            // the line feed after it ends the record
        } else if (c == '\n') {
            state = kOutside;
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
        } else {
            r.fields.back() += c;
            state = kPlain;
        }
    }
    if (state == kQuoted) out.back().broken = true;
    return out;
}

}  // namespace qeltest
