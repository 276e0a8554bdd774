// SPDX-License-Identifier: MIT
// qel-tz audit: every device of a fleet file against its place, and what to
// send it now (fleet.hpp, fleet_audit.hpp). The work is once per distinct
// setting; the output is a row per device.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>

#include "commands/commands.hpp"
#include "judge/fleet_audit.hpp"
#include "formats/json.hpp"

namespace qeltz {

namespace {

constexpr const char *kVerdicts[] = {"exact", "offsets", "differs", "unrepresentable", "invalid"};
constexpr size_t kInvalidRow = 4;  // the index of "invalid" in kVerdicts, after the four of Verdict
static_assert(static_cast<size_t>(Verdict::kUnrepresentable) + 1 == kInvalidRow, "kVerdicts follows Verdict");

// A row's setting as audited, or null with why for a row that cannot be checked.
const SettingAudit *audit_of(const FleetRow &row, const FleetAudit &audit, std::string &why) {
    if (!row.invalid.empty()) {
        why = row.invalid;
        return nullptr;
    }
    const SettingAudit &a = audit.settings[row.setting];
    why = a.invalid;
    return a.invalid.empty() ? &a : nullptr;
}

size_t verdict_index(const SettingAudit *a) {
    return a == nullptr ? kInvalidRow : static_cast<size_t>(a->check.tz_verdict);
}

// The reasons of a row: why it cannot be checked, or its check's.
std::vector<Reason> reasons_of(const SettingAudit *a, const std::string &why) {
    return a != nullptr ? a->check.reasons : std::vector<Reason>{{ReasonKind::kInvalidRow, why}};
}

void write_json(const Fleet &fleet, const FleetAudit &audit) {
    JsonWriter json(stdout);
    json.object().key("tzdata").string(audit.tzdata);
    write_window_and_libraries(json, audit.window, audit.libraries);
    json.key("devices").array(",\n ");
    std::array<size_t, 5> total{};
    for (const FleetRow &row : fleet.rows) {
        std::string why;
        const SettingAudit *a = audit_of(row, audit, why);
        json.object().key("device").string(row.device).key("line").number(static_cast<int64_t>(row.line));
        json.key("place").string(row.place).key("verdict").string(kVerdicts[verdict_index(a)]);
        ++total[verdict_index(a)];
        if (a != nullptr) {
            write_wrong(json, a->check);
        } else {
            json.key("wrong_from").null().key("hours_wrong").null();
        }
        const Judgement *send = a != nullptr ? audit.send(*a) : nullptr;
        json.key("send");
        if (send == nullptr) {
            json.null();
        } else {
            json.object().key("record");
            write_record(json, &send->record);
            json.key("tz").string_or_null(send->tz).key("zic").string_or_null(send->zic).end();
        }
        json.key("reasons");
        write_reasons(json, reasons_of(a, why));
        json.end();
    }
    json.end().key("summary").object().key("devices").number(static_cast<int64_t>(fleet.rows.size()));
    for (size_t v = 0; v < total.size(); ++v) json.key(kVerdicts[v]).number(static_cast<int64_t>(total[v]));
    json.end().end();
}

void print_csv(const Fleet &fleet, const FleetAudit &audit) {
    std::printf(
        "device,line,place,verdict,wrong_from,hours_wrong,send_zone,send_dst_on,send_dst_minutes,send_start,"
        "send_end,send_tz,reasons\n");
    for (const FleetRow &row : fleet.rows) {
        std::string why;
        const SettingAudit *a = audit_of(row, audit, why);
        const Judgement *send = a != nullptr ? audit.send(*a) : nullptr;
        std::string reasons;
        for (const auto &reason : reasons_of(a, why)) reasons += (reasons.empty() ? "" : "; ") + reason.text;
        std::printf("%s,%zu,%s,%s,%s,%s,%s,%s,%s\n", csv_field(row.device).c_str(), row.line,
                    csv_field(row.place).c_str(), kVerdicts[verdict_index(a)],
                    a != nullptr && a->check.has_wrong_from() ? iso_utc(a->check.wrong_from).c_str() : "",
                    a != nullptr && !a->check.tz.empty() ? decimal_text(a->check.hours_wrong()).c_str() : "",
                    record_cells(send != nullptr ? &send->record : nullptr).c_str(),
                    csv_field(send != nullptr ? send->tz : "").c_str(), csv_field(reasons).c_str());
    }
}

// What a setting holds: its TZ string, or the record.
std::string held(const FleetSetting &s) {
    return s.tz.empty() ? "record " + describe(s.record) : "TZ string " + shown(s.tz);
}

// The wrong settings, most urgent first (the earliest wrong instant), each
// with what to send and its devices.
void print_wrong(const Fleet &fleet, const FleetAudit &audit) {
    std::vector<std::vector<const FleetRow *>> devices(fleet.settings.size());
    for (const FleetRow &row : fleet.rows) {
        std::string why;
        const SettingAudit *a = audit_of(row, audit, why);
        if (a != nullptr && a->check.wrong()) devices[row.setting].push_back(&row);
    }
    std::vector<size_t> wrong;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (!devices[i].empty()) wrong.push_back(i);
    }
    const auto when = [&audit](size_t i) {
        const SettingAudit &a = audit.settings[i];
        return a.check.wrong_from;
    };
    std::stable_sort(wrong.begin(), wrong.end(), [&when](size_t a, size_t b) { return when(a) < when(b); });
    for (size_t i : wrong) {
        const SettingAudit &a = audit.settings[i];
        std::printf("%s, %s: %s", shown(fleet.settings[i].place).c_str(), held(fleet.settings[i]).c_str(),
                    verdict_name(a.check.tz_verdict));
        if (a.check.has_wrong_from()) {
            std::printf(" from %s UTC, %.1f hours of wrong local time", date_time_text(a.check.wrong_from).c_str(),
                        a.check.hours_wrong());
        }
        std::printf(" (%s)\n", counted(devices[i].size(), "device").c_str());
        const Judgement *send = audit.send(a);
        if (send != nullptr) {
            std::printf("  send: TZ string %s, %s\n", send->tz.c_str(), describe(send->record).c_str());
        } else {
            std::printf("  send: nothing, no record expresses the place over the window (qel-tz place says why)\n");
        }
        for (const FleetRow *row : devices[i]) std::printf("  line %zu: %s\n", row->line, shown(row->device).c_str());
    }
}

// The summary: devices per verdict, in all and per place.
void print_summary(const std::string &path, const Fleet &fleet, const FleetAudit &audit) {
    std::array<size_t, 5> total{};
    std::map<std::string, std::array<size_t, 5>> per_place;
    size_t width = 5;
    for (const FleetRow &row : fleet.rows) {
        std::string why;
        const size_t v = verdict_index(audit_of(row, audit, why));
        const std::string place = shown(row.place);
        ++total[v];
        ++per_place[place][v];
        width = std::max(width, place.size());
    }
    std::printf("%s of %s, tz database %s, window %s:", counted(fleet.rows.size(), "device").c_str(),
                path == "-" ? "standard input" : shown(path).c_str(), shown(audit.tzdata).c_str(),
                audit.window.text().c_str());
    for (size_t v = 0; v < total.size(); ++v) std::printf("%s %zu %s", v ? "," : "", total[v], kVerdicts[v]);
    std::printf("\n  %-*s", static_cast<int>(width), "place");
    for (const char *v : kVerdicts) std::printf(" %s", v);
    std::printf("\n");
    for (const auto &[place, counts] : per_place) {
        std::printf("  %-*s", static_cast<int>(width), place.empty() ? "-" : place.c_str());
        for (size_t v = 0; v < counts.size(); ++v)
            std::printf(" %*zu", static_cast<int>(std::strlen(kVerdicts[v])), counts[v]);
        std::printf("\n");
    }
}

void print_text(const std::string &path, const Fleet &fleet, const FleetAudit &audit) {
    print_wrong(fleet, audit);
    bool first = true;
    for (const FleetRow &row : fleet.rows) {
        std::string why;
        if (audit_of(row, audit, why) != nullptr) continue;
        if (first) std::printf("rows that cannot be checked:\n");
        first = false;
        std::printf("  line %zu: %s, %s: %s\n", row.line, row.device.empty() ? "-" : shown(row.device).c_str(),
                    row.place.empty() ? "-" : shown(row.place).c_str(), shown(why).c_str());
    }
    print_summary(path, fleet, audit);
}

}  // namespace

int run_audit(const Request &r) {
    const std::string &path = r.arguments[0];
    Fleet fleet;
    std::string why;
    if (!read_fleet_file(path, fleet, why)) return complain(kBadInput, why);
    const std::string tzdir = tzdir_of(r);
    if (list_places(tzdir).empty()) return complain(kBadInput, "no compiled zones in " + shown(tzdir));
    const FleetAudit audit = audit_fleet(fleet, tzdir, r.window, libraries_of(r));
    if (!audit.failure.empty()) return complain(kFailure, audit.failure);
    if (r.json) {
        write_json(fleet, audit);
    } else if (r.csv) {
        print_csv(fleet, audit);
    } else {
        std::printf("read by %s\n", shown(read_by(r, audit.libraries)).c_str());
        print_text(path, fleet, audit);
    }
    // 1 where a device is wrong or a row cannot be judged: a script acts on
    // both, and a few bad rows must not hide the wrong devices.
    size_t invalid = 0, first_invalid = 0;
    bool wrong = false;
    for (const FleetRow &row : fleet.rows) {
        const SettingAudit *a = audit_of(row, audit, why);
        if (a == nullptr && invalid++ == 0) first_invalid = row.line;
        wrong = wrong || (a != nullptr && a->check.wrong());
    }
    if (invalid > 0) {
        note(counted(invalid, "row") + " of " + (path == "-" ? "standard input" : path) + " cannot be checked, " +
             (invalid == 1 ? "" : "the first ") + "on line " + std::to_string(first_invalid));
    }
    // Nothing audited at all: no device, or none whose row could be read.
    if (invalid == fleet.rows.size()) return kBadInput;
    return wrong || invalid > 0 ? kFailure : kDone;
}

}  // namespace qeltz
