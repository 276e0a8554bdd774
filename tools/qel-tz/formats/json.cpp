// SPDX-License-Identifier: MIT
#include "formats/json.hpp"

#include "formats/escaping.hpp"

namespace qeltz {

namespace {

// A JSON string of any bytes: valid UTF-8 whatever they are. A byte that is
// not part of well-formed UTF-8 becomes U+FFFD; control characters (C0, DEL,
// C1) are written \uXXXX, so that none reaches a terminal raw.
std::string quoted(const std::string &s) {
    std::string out = "\"";
    out.reserve(s.size() + 2);
    for (size_t at = 0; at < s.size();) {
        // A run of printable ASCII other than the quote and the backslash
        // goes out as it is (most of the text a run writes).
        size_t plain = at;
        while (plain < s.size() && s[plain] >= 0x20 && s[plain] < 0x7F && s[plain] != '"' && s[plain] != '\\') ++plain;
        if (plain > at) {
            out.append(s, at, plain - at);
            at = plain;
            continue;
        }
        uint32_t cp = 0;
        const size_t length = utf8_sequence(s, at, cp);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\n') {
            out += "\\n";
        } else if (is_control(cp)) {
            char esc[8];
            (void)std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(cp));
            out += esc;
        } else {
            out.append(s, at, length);
        }
        at += length;
    }
    return out + "\"";
}

void write_rule(JsonWriter &json, const qel_tzrule &r) {
    json.object();
    json.key("month").number(r.month).key("week").number(r.week).key("wday").number(r.wday);
    json.key("hour").number(r.hour).key("minute").number(r.minute).key("second").number(r.second);
    json.end();
}

}  // namespace

// A failed write shows in the stream's error flag, which main() checks.
void JsonWriter::text(const std::string &s) {
    if (buffer_ != nullptr) {
        *buffer_ += s;
    } else {
        (void)std::fwrite(s.data(), 1, s.size(), out_);
    }
}

// Before each value: the separator from the one before it in the same array
// (in an object the key has written it).
void JsonWriter::value_starts() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (levels_.empty()) return;
    if (!levels_.back().first) text(levels_.back().separator);
    levels_.back().first = false;
}

JsonWriter &JsonWriter::object() {
    value_starts();
    text("{");
    levels_.push_back({'}', ", ", true});
    return *this;
}

JsonWriter &JsonWriter::array(const char *separator) {
    value_starts();
    text("[");
    levels_.push_back({']', separator, true});
    return *this;
}

JsonWriter &JsonWriter::end() {
    text(std::string(1, levels_.back().close));
    levels_.pop_back();
    if (levels_.empty()) text("\n");
    return *this;
}

JsonWriter &JsonWriter::key(const char *name) {
    value_starts();
    text(quoted(name) + ": ");
    after_key_ = true;
    return *this;
}

JsonWriter &JsonWriter::string(const std::string &s) {
    value_starts();
    text(quoted(s));
    return *this;
}

JsonWriter &JsonWriter::number(int64_t n) {
    value_starts();
    text(std::to_string(n));
    return *this;
}

JsonWriter &JsonWriter::decimal(double d) {
    value_starts();
    text(decimal_text(d));
    return *this;
}

JsonWriter &JsonWriter::boolean(bool b) {
    value_starts();
    text(b ? "true" : "false");
    return *this;
}

JsonWriter &JsonWriter::null() {
    value_starts();
    text("null");
    return *this;
}

JsonWriter &JsonWriter::string_or_null(const std::string &s) { return s.empty() ? null() : string(s); }

std::string json_text(const std::string &s) { return quoted(s); }

std::string decimal_text(double d) {
    char buf[64];
    (void)std::snprintf(buf, sizeof buf, "%.4f", d);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

void write_record(JsonWriter &json, const qel_tzset *record) {
    if (record == nullptr) {
        json.null();
    } else {
        write_record(json, *record);
    }
}

void write_record(JsonWriter &json, const qel_tzset &record) {
    json.object();
    json.key("zone").number(record.zone).key("dst_on").number(record.dst_on);
    json.key("dst_minutes").number(record.dst_minutes);
    json.key("start");
    write_rule(json, record.start);
    json.key("end");
    write_rule(json, record.end);
    json.end();
}

}  // namespace qeltz
