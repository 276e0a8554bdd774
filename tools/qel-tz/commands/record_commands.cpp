// SPDX-License-Identifier: MIT
// The commands on settings records: the default run, tz, zic, parse, zones.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "commands/commands.hpp"
#include "formats/escaping.hpp"
#include "formats/json.hpp"
#include "formats/posix_tz.hpp"
#include "formats/time_text.hpp"
#include "judge/catalogue_view.hpp"
#include "judge/derive.hpp"
#include "judge/local_time.hpp"
#include "system/libraries.hpp"
#include "system/process.hpp"
#include "system/zic_runner.hpp"

namespace qeltz {

int complain(int status, const std::string &what) {
    (void)std::fprintf(stderr, "qel-tz: %s\n", shown(what).c_str());
    return status;
}

void note(const std::string &what) { (void)std::fprintf(stderr, "qel-tz: note: %s\n", shown(what).c_str()); }

std::string describe(const qel_tzset &r) {
    const CatalogueZone *z = qel::tz::find_zone(r.zone);
    const bool long_code = r.zone >= qel::tz::kLongFirst && r.zone <= qel::tz::kLongLast;
    std::string s =
        "zone " + std::to_string(r.zone) + " (" +
        (z != nullptr ? utc_offset_text(int64_t{z->minutes()} * 60)
         : long_code  ? utc_offset_text(int64_t{qel::tz::code_minutes(r.zone)} * 60) + ", not in the catalogue"
                      : std::string("not a zone code")) +
        ")";
    if (r.dst_on == 0) return s + ", no daylight saving";
    return s + ", daylight saving " + std::to_string(r.dst_minutes) + " minutes from " + rule_text(rule_of(r.start)) +
           " to " + rule_text(rule_of(r.end));
}

void print_zic_text(const std::string &zic) {
    std::printf("zic text:\n");
    for (size_t at = 0; at < zic.size();) {
        const size_t nl = std::min(zic.find('\n', at), zic.size());
        std::printf("  | %s\n", shown(zic.substr(at, nl - at)).c_str());
        at = nl + 1;
    }
}

namespace {

// The changes glibc's reader gives a TZ string, and those of zic's output
// (its table, then its rule line as glibc's reader reads it), from `from` on,
// at most `most` of each.
bool next_changes(const std::string &tz, const std::string &compiled, int64_t from, size_t most,
                  std::vector<Span> &from_tz, std::vector<Span> &from_zic, std::string &error) {
    const Window window{from, from + int64_t{3} * 366 * 86400};
    const std::vector<CLibrary> glibc = libraries_named("glibc");
    std::string bytes, why;
    TzifZone zone;
    const bool zic = !compiled.empty() && read_file(compiled, bytes) && parse_tzif(bytes, zone, why);
    const auto first = [most](std::vector<Span> spans) {
        if (!spans.empty()) spans.erase(spans.begin());
        if (spans.size() > most) spans.resize(most);
        return spans;
    };
    // Where no reader can run (a device build under an emulator), the
    // changes come from the tool's own arithmetic of the POSIX rules.
    const LibraryReadings read =
        glibc.empty() ? LibraryReadings{} : read_tz_strings(glibc.front(), {tz, zone.rule_line}, window);
    if (!read.ok) {
        PosixTz rule;
        if (!parse_posix_tz(tz, rule, why)) {
            error = glibc.empty() ? "this qel-tz has no reader for the C library it runs on" : read.error;
            return false;
        }
        from_tz = first(rule_local_time(rule, window));
        if (zic) from_zic = first(zone_local_time(zone, window));
        return true;
    }
    if (!read.readings[0].spans.empty()) from_tz = first(read.readings[0].spans);
    if (zic) {
        const TzReading &line = read.readings[1];
        from_zic = first(zone_local_time(zone, window, line.refused.empty() ? &line.spans : nullptr));
    }
    return true;
}

std::string change_text(const Span &c) {
    return date_time_text(c.from) + " UTC -> " + c.abbr + " (" + utc_offset_text(c.offset) + ")";
}

void write_changes(JsonWriter &json, const std::vector<Span> &changes) {
    json.array();
    for (const Span &c : changes) {
        json.object().key("at").number(c.from).key("gmtoff").number(c.offset).key("zone").string(c.abbr).end();
    }
    json.end();
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
    std::string said, error;
    const ZicWorkspace workspace;
    const std::string compiled = workspace.usable() ? workspace.compile(zic, &said) : "";
    std::vector<Span> from_tz, from_zic;
    if (!next_changes(tz, compiled, now, 4, from_tz, from_zic, error)) return complain(kFailure, error);

    if (r.json) {
        JsonWriter json(stdout);
        open_output(json, "default").key("record");
        write_record(json, record);
        json.key("tz").string(tz).key("read_back");
        write_record(json, back);
        json.key("zic").string(zic).key("changes_tz");
        write_changes(json, from_tz);
        if (!compiled.empty()) {
            json.key("changes_zic");
            write_changes(json, from_zic);
            json.key("agree").boolean(same_instants(from_tz, from_zic));
        }
        json.end();
        return status_of(Outcome::kRight);
    }
    std::printf("record:     %s\n", describe(record).c_str());
    std::printf("TZ string:  %s\n", tz);
    std::printf("read back:  %s%s\n", describe(back).c_str(),
                std::memcmp(&back, &record, sizeof back) == 0 ? "" : "  (differs)");
    print_zic_text(zic);
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
    return status_of(Outcome::kRight);
}

namespace {

// tz and zic: the record's text from one of the library's writers.
int run_writer(const Request &r, const char *key, int32_t (*write)(const qel_tzset *, char *, int32_t),
               const char *line_end) {
    char text[1024];
    if (write(&r.record, text, sizeof text) != QEL_OK) {
        return complain(kBadInput, "the device library refuses the record: " + describe(r.record));
    }
    if (r.json) {
        JsonWriter json(stdout);
        open_output(json, key).key("record");
        write_record(json, r.record);
        json.key(key).string(text).end();
    } else {
        std::printf("%s%s", text, line_end);
    }
    // What the device would get wrong with the text, said beside it.
    qel_tzset back{};
    if (std::string(key) == "tz" && qel_tzstr_to_tzset(text, &back) != QEL_OK) {
        note(
            "the device library cannot read this string back (a daylight offset beyond UTC+14:00, or a rule time "
            "beyond 24:00:00)");
    } else if (std::string(key) == "zic" && has_week5(r.record)) {
        note(kWeek5Text);
    }
    return status_of(Outcome::kRight);
}

}  // namespace

// The TZ string ends without a newline, the zic text with one.
int run_tz(const Request &r) { return run_writer(r, "tz", qel_tzset_to_tzstr, "\n"); }
int run_zic(const Request &r) { return run_writer(r, "zic", qel_tzset_to_zicstr, ""); }

int run_parse(const Request &r) {
    const std::string &tz = r.arguments[0];
    qel_tzset record{};
    if (qel_tzstr_to_tzset(tz.c_str(), &record) != QEL_OK) {
        PosixTz any;
        std::string why;
        return complain(kBadInput, parse_posix_tz(tz, any, why)
                                       ? tz + ": " + kind_meaning(ReasonKind::kDeviceRefusesString) +
                                             " (qel-tz check --tz compares any TZ string with a place)"
                                       : "not a TZ string: " + tz + ": " + why);
    }
    if (r.json) {
        JsonWriter json(stdout);
        open_output(json, "parse").key("record");
        write_record(json, record);
        json.end();
    } else {
        std::printf("%s\n", describe(record).c_str());
    }
    // Where a C library would read the string otherwise than the device.
    PosixTz posix;
    std::string why;
    if (!parse_posix_tz(tz, posix, why)) {
        note("not a POSIX TZ string (" + why + "): the device library reads it as above, a C library would not");
    } else if (posix.has_rules && (!posix.start.time_given || !posix.end.time_given)) {
        note("a rule without a time is read here as 00:00:00; a C library takes 02:00:00");
    }
    return status_of(Outcome::kRight);
}

int run_zones(const Request &r) {
    JsonWriter json(stdout);
    if (r.json) {
        open_output(json, "zones").key("zones").array();
    } else {
        std::printf("%-6s %-5s %-10s %-8s %s\n", "long", "short", "offset", "standard", "daylight");
    }
    for (const CatalogueZone *z : catalogue()) {
        const int32_t short_form = short_code(*z);
        const std::string offset = utc_offset_text(int64_t{z->minutes()} * 60);
        if (r.json) {
            json.object().key("long_code").number(z->code).key("short_code");
            if (short_form != 0) {
                json.number(short_form);
            } else {
                json.null();
            }
            json.key("offset").string(offset).key("standard").string(z->std).key("daylight").string(z->dst).end();
        } else {
            std::printf("%-6d %-5s %-10s %-8s %s\n", z->code,
                        short_form != 0 ? std::to_string(short_form).c_str() : "-", offset.c_str(), z->std, z->dst);
        }
    }
    if (r.json) json.end().end();
    return status_of(Outcome::kRight);
}

}  // namespace qeltz
