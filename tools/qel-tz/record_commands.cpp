// The commands on settings records: the default run, tz, zic, parse, zones.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "catalogue_view.hpp"
#include "commands.hpp"
#include "derive.hpp"
#include "json.hpp"
#include "posix_tz.hpp"
#include "timeline.hpp"
#include "verdict.hpp"
#include "zic_runner.hpp"

namespace qeltz {

int complain(int status, const std::string &what) {
    std::fprintf(stderr, "qel-tz: %s\n", what.c_str());
    return status;
}

std::string describe(const qel_tzset &r) {
    const CatalogueZone *z = zone_by_code(r.zone);
    std::string s = "zone " + std::to_string(r.zone) + " (" + (z ? utc_offset_text(z->minutes * 60) : "?") + ")";
    if (r.dst_on == 0) return s + ", no daylight saving";
    return s + ", daylight saving " + std::to_string(r.dst_minutes) + " minutes from " + rule_text(rule_of(r.start)) +
           " to " + rule_text(rule_of(r.end));
}

namespace {

// The changes a TZ value gives from `from` on, at most `most`.
std::vector<Span> next_changes(const std::string &tz, int64_t from, size_t most) {
    std::vector<Span> spans = read_timeline(tz, from, from + 3 * 366 * 86400LL, {});
    spans.erase(spans.begin());
    if (spans.size() > most) spans.resize(most);
    return spans;
}

std::string change_text(const Span &c) {
    return date_time_text(c.from) + " UTC -> " + c.abbr + " (" + utc_offset_text(c.offset) + ")";
}

std::string json_changes(const std::vector<Span> &v) {
    std::string s = "[";
    for (size_t i = 0; i < v.size(); ++i) {
        s += (i ? ", " : "") + std::string("{\"at\": ") + std::to_string(v[i].from) +
             ", \"gmtoff\": " + std::to_string(v[i].offset) + ", \"zone\": " + json_string(v[i].abbr) + "}";
    }
    return s + "]";
}

bool same_instants(const std::vector<Span> &a, const std::vector<Span> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].from != b[i].from || a[i].offset != b[i].offset) return false;
    }
    return true;
}

}  // namespace

int run_default(const Request &r) {
    const qel_tzset record = {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
    char tz[64], zic[512];
    qel_tzset back{};
    if (qel_tzset_to_tzstr(&record, tz, sizeof tz) != QEL_OK || qel_tzstr_to_tzset(tz, &back) != QEL_OK ||
        qel_tzset_to_zicstr(&record, zic, sizeof zic) != QEL_OK) {
        return complain(kFailure, "the device library refused the typical request");
    }
    int64_t now = 0;
    if (qel_get_time(&now) != QEL_OK) return complain(kFailure, "cannot read the clock");
    const std::vector<Span> from_tz = next_changes(tz, now, 4);
    std::vector<Span> from_zic;
    std::string said;
    const ZicWorkspace workspace;
    const std::string compiled = workspace.usable() ? workspace.compile(zic, &said) : "";
    if (!compiled.empty()) from_zic = next_changes(":" + compiled, now, 4);

    if (r.json) {
        std::printf("{\"record\": %s, \"tz\": %s, \"read_back\": %s, \"zic\": %s, \"changes_tz\": %s",
                    json_record(record).c_str(), json_string(tz).c_str(), json_record(back).c_str(),
                    json_string(zic).c_str(), json_changes(from_tz).c_str());
        if (!compiled.empty()) {
            std::printf(", \"changes_zic\": %s, \"agree\": %s", json_changes(from_zic).c_str(),
                        same_instants(from_tz, from_zic) ? "true" : "false");
        }
        std::printf("}\n");
        return kDone;
    }
    std::printf("record:     %s\n", describe(record).c_str());
    std::printf("TZ string:  %s\n", tz);
    std::printf("read back:  %s%s\n", describe(back).c_str(),
                std::memcmp(&back, &record, sizeof back) == 0 ? "" : "  (differs)");
    std::printf("zic text:\n");
    for (const char *p = zic; *p != '\0';) {
        const char *nl = std::strchr(p, '\n');
        std::printf("  | %.*s\n", static_cast<int>(nl - p), p);
        p = nl + 1;
    }
    std::printf("next changes from the TZ string (C library):\n");
    for (const auto &c : from_tz) std::printf("  %s\n", change_text(c).c_str());
    if (!workspace.usable()) {
        std::printf("zic or zdump is not installed: the zic text was not compiled\n");
    } else if (compiled.empty()) {
        std::printf("zic refused the text: %s\n", said.c_str());
    } else {
        std::printf("next changes from the zic text (zic, then the C library):\n");
        for (const auto &c : from_zic) std::printf("  %s\n", change_text(c).c_str());
        std::printf("%s\n", same_instants(from_tz, from_zic)
                                ? "the two agree"
                                : "the two differ: week 5 means the last weekday in the TZ string but the first "
                                  "on or after the 29th in zic");
    }
    return kDone;
}

int run_writer(const Request &r) {
    const bool zic = r.command == Command::kZic;
    char text[1024];
    const int32_t rc =
        zic ? qel_tzset_to_zicstr(&r.record, text, sizeof text) : qel_tzset_to_tzstr(&r.record, text, sizeof text);
    if (rc != QEL_OK) return complain(kBadInput, "the device library refuses the record: " + describe(r.record));
    if (r.json) {
        std::printf("{\"record\": %s, \"%s\": %s}\n", json_record(r.record).c_str(), zic ? "zic" : "tz",
                    json_string(text).c_str());
    } else {
        std::printf(zic ? "%s" : "%s\n", text);
    }
    return kDone;
}

int run_parse(const Request &r) {
    qel_tzset record{};
    if (qel_tzstr_to_tzset(r.tz.c_str(), &record) != QEL_OK) {
        PosixTz any;
        std::string why;
        return complain(kBadInput, parse_posix_tz(r.tz, any, why)
                                       ? "the device library does not read " + r.tz +
                                             " (qel-tz check --tz compares any TZ string with a place)"
                                       : "not a TZ string: " + r.tz + ": " + why);
    }
    std::printf("%s\n", r.json ? json_record(record).c_str() : describe(record).c_str());
    return kDone;
}

int run_zones(const Request &r) {
    if (r.json) std::printf("[");
    bool first = true;
    for (const auto &z : catalogue()) {
        const std::string short_code = z.short_code != 0 ? std::to_string(z.short_code) : "";
        const std::string offset = utc_offset_text(z.minutes * 60);
        if (r.json) {
            std::printf("%s{\"long_code\": %d, \"short_code\": %s, \"offset\": %s, \"standard\": %s, \"daylight\": %s}",
                        first ? "" : ", ", z.long_code, short_code.empty() ? "null" : short_code.c_str(),
                        json_string(offset).c_str(), json_string(z.std_name).c_str(), json_string(z.dst_name).c_str());
        } else {
            if (first) std::printf("%-6s %-5s %-10s %-8s %s\n", "long", "short", "offset", "standard", "daylight");
            std::printf("%-6d %-5s %-10s %-8s %s\n", z.long_code, short_code.empty() ? "-" : short_code.c_str(),
                        offset.c_str(), z.std_name.c_str(), z.dst_name.c_str());
        }
        first = false;
    }
    if (r.json) std::printf("]\n");
    return kDone;
}

}  // namespace qeltz
