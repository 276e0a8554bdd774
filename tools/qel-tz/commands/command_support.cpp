// SPDX-License-Identifier: MIT
// What the commands share: where the tz database is, and the forms of text
// their output takes (commands.hpp).
#include <cstdio>
#include <cstdlib>

#include "commands/commands.hpp"
#include "judge/derive.hpp"
#include "judge/verdict.hpp"

namespace qeltz {

std::string tzdir_of(const Request &r) {
    if (!r.tzdir.empty()) return r.tzdir;
    const char *env = std::getenv("TZDIR");
    return env != nullptr && *env != '\0' ? env : "/usr/share/zoneinfo";
}

std::string csv_field(const std::string &text) {
    const std::string s = shown(text);
    if (s.find_first_of(",\"") == std::string::npos) return s;
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

void write_reasons(JsonWriter &json, const std::vector<Reason> &reasons) {
    json.array();
    for (const Reason &reason : reasons) {
        json.object().key("kind").string(kind_word(reason.kind)).key("text").string(reason.text).end();
    }
    json.end();
}

}  // namespace qeltz
