#include "json.hpp"

#include <cstdio>

namespace qeltz {

std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string json_strings(const std::vector<std::string> &v) {
    std::string s = "[";
    for (size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + json_string(v[i]);
    return s + "]";
}

namespace {

std::string json_rule(const qel_tzrule &r) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "{\"month\": %d, \"week\": %d, \"wday\": %d, \"hour\": %d, \"minute\": %d, \"second\": %d}", r.month,
                  r.week, r.wday, r.hour, r.minute, r.second);
    return buf;
}

}  // namespace

std::string json_record(const qel_tzset &r) {
    char head[112];
    std::snprintf(head, sizeof head, "{\"zone\": %d, \"dst_on\": %d, \"dst_minutes\": %d, ", r.zone, r.dst_on,
                  r.dst_minutes);
    return head + std::string("\"start\": ") + json_rule(r.start) + ", \"end\": " + json_rule(r.end) + "}";
}

}  // namespace qeltz
