// SPDX-License-Identifier: MIT
// qel-tz audit: every device of a fleet file against its place, and what to
// send it (formats/fleet_file.hpp, judge/fleet_audit.hpp). The file is read
// once, as a stream: what is kept is one entry per distinct setting, while
// each row goes to a scratch file in a compact form, read back to write the
// rows in file order once the settings are judged. Memory grows with the
// distinct settings, and in pass one with the device names, each kept once
// to find a name that rows repeat (judge/device_names.hpp) and let go
// before the settings are judged.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "commands/commands.hpp"
#include "commands/report_html.hpp"
#include "formats/csv.hpp"
#include "judge/device_names.hpp"
#include "judge/fleet_audit.hpp"
#include "judge/schedule.hpp"
#include "system/scratch.hpp"

namespace qeltz {

namespace {

// A row's verdict: one of Verdict's, or "invalid", after them.
constexpr size_t kInvalid = kVerdicts;
const char *row_verdict_name(size_t index) {
    return index == kInvalid ? "invalid" : verdict_name(static_cast<Verdict>(index));
}
constexpr size_t kNoSetting = static_cast<size_t>(-1);
constexpr size_t kShownRows = 10;       // rows the text names for each group of devices
constexpr size_t kShownDuplicates = 5;  // rows a note names that repeat a device name

// A row as the scratch file keeps it.
struct Row {
    size_t line = 0, setting = kNoSetting;
    std::string device, place, invalid;
};

// The rows of pass one, written to a scratch file and read back in order.
class RowSpill {
  public:
    void put(const Row &r) {
        number(r.line);
        number(r.setting);
        for (const std::string *s : {&r.device, &r.place, &r.invalid}) {
            number(s->size());
            file_.write(s->data(), s->size());
        }
    }
    void rewind() { file_.rewind(); }
    bool get(Row &r) {
        if (!number_in(r.line) || !number_in(r.setting)) return false;
        for (std::string *s : {&r.device, &r.place, &r.invalid}) {
            size_t n = 0;
            if (!number_in(n)) return false;
            s->resize(n);
            if (n > 0 && !file_.read(&(*s)[0], n)) return false;
        }
        return true;
    }

  private:
    void number(size_t n) { file_.write(&n, sizeof n); }
    bool number_in(size_t &n) { return file_.read(&n, sizeof n); }
    ScratchFile file_;
};

// What pass one keeps: the distinct settings, the rows each has (counted,
// and the first few), the invalid rows (counted, and the first few), the
// rows that repeat a device name (counted, and the first few), and how the
// file's lines were read.
struct Collected {
    std::vector<FleetSetting> settings;
    std::vector<size_t> devices;               // rows per setting
    std::vector<std::vector<Row>> first_rows;  // the first of them
    size_t rows = 0, invalid = 0, first_invalid = 0;
    std::vector<Row> invalid_rows;  // the first invalid rows
    DeviceNames names;
    size_t duplicates = 0;
    std::vector<Row> first_duplicates;
    FleetLines lines;
};

size_t verdict_index(const SettingVerdict *v) {
    return v == nullptr || !v->judged() ? kInvalid : static_cast<size_t>(v->verdict);
}

const SettingVerdict *verdict_of(const Row &row, const FleetAudit &audit) {
    return row.setting == kNoSetting ? nullptr : &audit.settings[row.setting];
}

// Why a row is what it is: its own reason, or its setting's.
std::vector<Reason> reasons_of(const Row &row, const SettingVerdict *v) {
    if (v == nullptr) return {{ReasonKind::kInvalidRow, row.invalid}};
    if (!v->judged()) return {{ReasonKind::kInvalidRow, v->invalid}};
    return v->reasons;
}

// What to send the devices of a setting (kNoSetting: an invalid row): its
// place's schedule, where it is wrong and not already the nearest record.
Advice advice_for(size_t setting, const FleetAudit &audit, const std::vector<FleetSetting> &settings) {
    if (setting == kNoSetting || !audit.settings[setting].judged()) return {};
    const SettingVerdict &v = audit.settings[setting];
    ScheduleSpans spans;
    for (const Judgement &j : audit.places[v.place].spans) spans.push_back(&j);
    const Held held{settings[setting].tz, settings[setting].record};
    return advice_for(v.wrong(), std::move(spans), &held);
}

// Wrong or not judged: a row the advice is not "right" for.
bool wrong(const SettingVerdict *v) { return v == nullptr || !v->judged() || v->wrong(); }

// The summary's counts: devices per verdict, per place and per reason kind.
struct Counts {
    std::array<size_t, kInvalid + 1> total{};
    std::map<std::string, std::array<size_t, kInvalid + 1>> per_place;
    std::array<size_t, static_cast<size_t>(ReasonKind::kCount)> kinds{};

    void add(const FleetAudit &audit, const Collected &c) {
        for (size_t i = 0; i < c.settings.size(); ++i) {
            const SettingVerdict &v = audit.settings[i];
            const size_t index = verdict_index(&v), n = c.devices[i];
            total[index] += n;
            per_place[c.settings[i].place][index] += n;
            bool seen[static_cast<size_t>(ReasonKind::kCount)] = {};
            for (const Reason &r : reasons_of({}, &v)) seen[static_cast<size_t>(r.kind)] = true;
            for (size_t k = 0; k < kinds.size(); ++k) kinds[k] += seen[k] ? n : 0;
        }
        // Rows the reader refused never reached a setting.
        total[kInvalid] += c.invalid;
        kinds[static_cast<size_t>(ReasonKind::kInvalidRow)] += c.invalid;
        for (const Row &row : c.invalid_rows) ++per_place[row.place][kInvalid];
        if (c.invalid > c.invalid_rows.size())
            per_place["(other invalid rows)"][kInvalid] += c.invalid - c.invalid_rows.size();
    }
};

void write_json(RowSpill &spill, const FleetAudit &audit, const Counts &counts, const Collected &c) {
    JsonWriter json(stdout);
    open_output(json, "audit").key("tzdata").string(audit.tzdata);
    write_window_and_libraries(json, audit.window, audit.libraries);
    json.key("devices").array(",\n ");
    for (Row row; spill.get(row);) {
        const SettingVerdict *v = verdict_of(row, audit);
        json.object().key("device").string(row.device).key("line").number(static_cast<int64_t>(row.line));
        json.key("place").string(row.place).key("verdict").string(row_verdict_name(verdict_index(v)));
        const bool judged = v != nullptr && v->judged();
        json.key("wrong_from")
            .string_or_null(judged && v->wrong_from != Judgement::kNever ? iso_utc(v->wrong_from) : "");
        json.key("hours_wrong");
        if (judged && v->has_tz) {
            json.decimal(static_cast<double>(v->wrong_seconds) / 3600.0);
        } else {
            json.null();
        }
        if (v != nullptr && !v->libraries.empty()) {
            json.key("libraries").array();
            for (const std::string &library : v->libraries) json.string(library);
            json.end();
        }
        const Advice send = advice_for(row.setting, audit, c.settings);
        json.key("send_kind").string(send_kind(send, wrong(v)));
        json.key("send_rule_line").string_or_null(send.rule_line);
        json.key("schedule");
        write_schedule_or_null(json, send);
        json.key("reasons");
        write_reasons(json, reasons_of(row, v));
        json.end();
    }
    json.end().key("summary").object();
    size_t devices = 0;
    for (const size_t n : counts.total) devices += n;
    json.key("devices").number(static_cast<int64_t>(devices));
    json.key("lines").object().key("file").number(static_cast<int64_t>(c.lines.file));
    json.key("header").number(static_cast<int64_t>(c.lines.header));
    json.key("blank").number(static_cast<int64_t>(c.lines.blank()));
    json.key("multiline_rows").number(static_cast<int64_t>(c.lines.multiline_rows));
    json.key("in_multiline_rows").number(static_cast<int64_t>(c.lines.in_multiline_rows));
    json.key("first_multiline_row");
    if (c.lines.first_multiline != 0) {
        json.number(static_cast<int64_t>(c.lines.first_multiline));
    } else {
        json.null();
    }
    json.end().key("duplicate_devices").number(static_cast<int64_t>(c.duplicates));
    for (size_t v = 0; v < counts.total.size(); ++v)
        json.key(row_verdict_name(v)).number(static_cast<int64_t>(counts.total[v]));
    json.key("places").object();
    for (const auto &[place, per] : counts.per_place) {
        json.key(place.c_str()).object();
        for (size_t v = 0; v < per.size(); ++v) json.key(row_verdict_name(v)).number(static_cast<int64_t>(per[v]));
        json.end();
    }
    json.end().key("reasons").object();
    for (size_t k = 0; k < counts.kinds.size(); ++k) {
        if (counts.kinds[k] > 0)
            json.key(kind_word(static_cast<ReasonKind>(k))).number(static_cast<int64_t>(counts.kinds[k]));
    }
    json.end().end().end();
}

void print_csv(RowSpill &spill, const FleetAudit &audit, const Collected &c) {
    std::printf(
        "device,line,place,verdict,wrong_from,hours_wrong,send_kind,send_zone,send_dst_on,send_dst_minutes,"
        "send_start,send_end,send_tz,send_rule_line,schedule,reason_kinds,reasons\n");
    for (Row row; spill.get(row);) {
        const SettingVerdict *v = verdict_of(row, audit);
        const bool judged = v != nullptr && v->judged();
        const Advice send = advice_for(row.setting, audit, c.settings);
        const Judgement *now = send.now;
        std::printf("%s,%zu,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s\n", csv_field(row.device).c_str(), row.line,
                    csv_field(row.place).c_str(), row_verdict_name(verdict_index(v)),
                    judged && v->wrong_from != Judgement::kNever ? iso_utc(v->wrong_from).c_str() : "",
                    judged && v->has_tz ? decimal_text(static_cast<double>(v->wrong_seconds) / 3600.0).c_str() : "",
                    send_kind(send, wrong(v)), record_cells(now != nullptr ? &now->record : nullptr).c_str(),
                    csv_field(now != nullptr ? now->tz : "").c_str(), csv_field(send.rule_line).c_str(),
                    schedule_cells(send.spans).c_str(), reason_cells(reasons_of(row, v)).c_str());
    }
}

// What a setting holds: its TZ string, or the record.
std::string held(const FleetSetting &s) {
    return (s.tz.empty() ? "record " + describe(s.record) : "TZ string " + shown(s.tz)) +
           (s.libc.empty() ? "" : ", libc " + shown(s.libc));
}

void print_rows(const std::vector<Row> &rows, size_t count) {
    for (const Row &row : rows)
        std::printf("  line %zu: %s\n", row.line, row.device.empty() ? "-" : shown(row.device).c_str());
    if (count > rows.size()) std::printf("  ... and %zu more (--csv lists every device)\n", count - rows.size());
}

// Whether a group lists the reason: not the names and daylight flags of an
// offsets verdict, nor the device library's refusal of a string, which
// decides no verdict (the summary counts it).
bool listed(const Reason &r) {
    return r.kind != ReasonKind::kAbbreviation && r.kind != ReasonKind::kDaylightFlag &&
           r.kind != ReasonKind::kDeviceRefusesString;
}

// Each group of devices that are wrong, most urgent first, with why, what
// to send and its devices; then those that are right as judged but for
// something other libraries or the device library would get wrong.
void print_groups(const Collected &c, const FleetAudit &audit) {
    std::vector<size_t> wrong, noted;
    for (size_t i = 0; i < c.settings.size(); ++i) {
        const SettingVerdict &v = audit.settings[i];
        if (v.wrong()) {
            wrong.push_back(i);
        } else if (v.judged() && std::any_of(v.reasons.begin(), v.reasons.end(), listed)) {
            noted.push_back(i);
        }
    }
    std::stable_sort(wrong.begin(), wrong.end(),
                     [&](size_t a, size_t b) { return audit.settings[a].wrong_from < audit.settings[b].wrong_from; });
    for (const std::vector<size_t> *list : {&wrong, &noted}) {
        for (const size_t i : *list) {
            const SettingVerdict &v = audit.settings[i];
            std::printf("%s, %s: %s", shown(c.settings[i].place).c_str(), held(c.settings[i]).c_str(),
                        verdict_name(v.verdict));
            if (v.wrong_from != Judgement::kNever) {
                std::printf(" from %s UTC, %.1f hours of wrong local time", date_time_text(v.wrong_from).c_str(),
                            static_cast<double>(v.wrong_seconds) / 3600.0);
            }
            std::printf(" (%s)\n", counted(c.devices[i], "device").c_str());
            for (const Reason &r : v.reasons) {
                if (listed(r))
                    std::printf("  %s: %s [%s]\n", v.wrong() ? "why" : "note", shown(r.text).c_str(),
                                kind_word(r.kind));
            }
            print_send(advice_for(i, audit, c.settings), v.wrong());
            print_rows(c.first_rows[i], c.devices[i]);
        }
    }
}

// How the file's lines were read: "16 lines: 1 header line, 12 rows of one
// line, 1 row over 2 lines (the first from line 7), 1 blank line".
std::string lines_read(const FleetLines &l) {
    std::string text = counted(l.file, "line") + ": " + counted(l.header, "header line") + ", " +
                       counted(l.rows - l.multiline_rows, "row") + " of one line";
    if (l.multiline_rows > 0) {
        text += ", " + counted(l.multiline_rows, "row") + " over " + counted(l.in_multiline_rows, "line") +
                " (the first from line " + std::to_string(l.first_multiline) + ")";
    }
    return text + ", " + counted(l.blank(), "blank line");
}

void print_summary(const std::string &path, const FleetAudit &audit, const Counts &counts, const Collected &c) {
    const ReasonKind refused = ReasonKind::kDeviceRefusesString;
    std::printf("%s of %s, tz database %s, window %s:", counted(c.rows, "device").c_str(),
                path == "-" ? "standard input" : shown(path).c_str(), shown(audit.tzdata).c_str(),
                audit.window.text().c_str());
    for (size_t v = 0; v < counts.total.size(); ++v)
        std::printf("%s %zu %s", v ? "," : "", counts.total[v], row_verdict_name(v));
    std::printf("\n  %s", lines_read(c.lines).c_str());
    // As wide as the longest place name, up to that of the longest tz name:
    // the place of a row that cannot be checked (a quote left open, say) may
    // be any length, and widens only its own row.
    constexpr size_t kWidest = 32;
    size_t width = 5;
    for (const auto &[place, per] : counts.per_place) width = std::max(width, std::min(kWidest, shown(place).size()));
    std::printf("\n  %-*s", static_cast<int>(width), "place");
    for (size_t v = 0; v <= kInvalid; ++v) std::printf(" %s", row_verdict_name(v));
    std::printf("\n");
    for (const auto &[place, per] : counts.per_place) {
        std::printf("  %-*s", static_cast<int>(width), place.empty() ? "-" : shown(place).c_str());
        for (size_t v = 0; v < per.size(); ++v)
            std::printf(" %*zu", static_cast<int>(std::strlen(row_verdict_name(v))), per[v]);
        std::printf("\n");
    }
    if (const size_t n = counts.kinds[static_cast<size_t>(refused)]) {
        std::printf("  note: %s: %s [%s]\n", counted(n, "device").c_str(), kind_meaning(refused), kind_word(refused));
    }
}

// The rows that cannot be checked, in line order: the first of those the
// reader refused and of those whose setting cannot be judged, which hold the
// first of them all.
void print_unchecked(const Collected &c, const FleetAudit &audit, size_t unchecked) {
    if (unchecked == 0) return;
    std::vector<std::pair<Row, const std::string *>> rows;  // each row and why
    for (const Row &row : c.invalid_rows) rows.emplace_back(row, &row.invalid);
    for (size_t i = 0; i < c.settings.size(); ++i) {
        if (audit.settings[i].judged()) continue;
        for (const Row &row : c.first_rows[i]) rows.emplace_back(row, &audit.settings[i].invalid);
    }
    std::sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) { return a.first.line < b.first.line; });
    rows.resize(std::min(rows.size(), kShownRows));
    std::printf("rows that cannot be checked:\n");
    for (const auto &[row, why] : rows) {
        std::printf("  line %zu: %s, %s: %s\n", row.line, row.device.empty() ? "-" : shown(row.device).c_str(),
                    row.place.empty() ? "-" : shown(row.place).c_str(), shown(*why).c_str());
    }
    if (unchecked > rows.size()) std::printf("  ... and %zu more (--csv lists them all)\n", unchecked - rows.size());
}

}  // namespace

int run_audit(const Request &r) {
    const std::string &path = r.arguments[0];
    const std::string file = path == "-" ? "standard input" : path;
    FleetReader reader;
    std::string why;
    if (!reader.open(path, why)) return complain(kBadInput, why);
    const std::string tzdir = tzdir_of(r);
    const std::string problem = database_problem(tzdir);
    if (!problem.empty()) return complain(kBadInput, problem);

    // Pass one: the distinct settings, libc cells grouped by the libraries
    // they name (the few distinct cells of a fleet looked up once or so);
    // every row to the scratch file.
    const std::vector<CLibrary> libraries = libraries_of(r);
    std::map<std::string, std::string> libc_keys;
    const auto libc_key = [&](const std::string &cell) {
        if (libc_keys.size() > 64) libc_keys.clear();
        const auto known = libc_keys.find(cell);
        return known != libc_keys.end() ? known->second : libc_keys[cell] = libc_setting(cell, libraries);
    };
    RowSpill spill;
    Collected c;
    const bool read = each_row(
        reader, c.settings,
        [&](const FleetEntry &entry, size_t setting) {
            const Row row{entry.line, setting == FleetRow::kInvalid ? kNoSetting : setting, entry.device, entry.place,
                          entry.invalid};
            ++c.rows;
            if (row.setting != kNoSetting) {
                if (row.setting == c.devices.size()) {
                    c.devices.push_back(0);
                    c.first_rows.emplace_back();
                }
                if (c.devices[row.setting]++ < kShownRows) c.first_rows[row.setting].push_back(row);
            } else {
                if (c.invalid++ == 0) c.first_invalid = row.line;
                if (c.invalid_rows.size() < kShownRows) c.invalid_rows.push_back(row);
            }
            if (!row.device.empty() && !c.names.add(row.device) && c.duplicates++ < kShownDuplicates)
                c.first_duplicates.push_back(row);
            spill.put(row);
        },
        why, libc_key);
    if (!read) return complain(kBadInput, why);
    c.lines = reader.lines();
    c.names = DeviceNames();
    if (c.rows == 0) return complain(kBadInput, "no device in " + file + ": it has only its header row");
    spill.rewind();

    const FleetAudit audit = audit_settings(c.settings, tzdir, r.window, libraries);
    if (!audit.failure.empty()) return complain(kFailure, audit.failure);
    Counts counts;
    counts.add(audit, c);
    if (!r.html.empty()) {
        AuditPage page{file,
                       tzdir,
                       read_by(r, audit.libraries),
                       &audit,
                       &c.settings,
                       &c.devices,
                       {},
                       &counts.per_place,
                       [&](size_t i) { return advice_for(i, audit, c.settings); },
                       [&](AuditPageRow &out) {
                           Row row;
                           if (!spill.get(row)) return false;
                           out = {row.line, row.setting, row.device, row.place, row.invalid};
                           return true;
                       }};
        for (size_t v = 0; v < counts.total.size(); ++v) page.totals.emplace_back(row_verdict_name(v), counts.total[v]);
        if (!write_audit_html(r.html, page, why)) return complain(kFailure, why);
        spill.rewind();
    }
    if (r.json) {
        write_json(spill, audit, counts, c);
    } else if (r.csv) {
        print_csv(spill, audit, c);
        if (c.lines.multiline_rows > 0) note(counted(c.rows, "device") + " of " + file + " on " + lines_read(c.lines));
    } else {
        std::printf("read by %s\n", shown(read_by(r, audit.libraries)).c_str());
        print_groups(c, audit);
        print_unchecked(c, audit, counts.total[kInvalid]);
        print_summary(path, audit, counts, c);
    }
    // 1 where a device is wrong or a row cannot be judged: a script acts on
    // both, and a few bad rows must not hide the wrong devices. 2 where
    // nothing at all could be judged.
    const size_t invalid = counts.total[kInvalid];
    size_t first_invalid = c.invalid > 0 ? c.first_invalid : SIZE_MAX;
    for (size_t i = 0; i < c.settings.size(); ++i) {
        if (!audit.settings[i].judged()) first_invalid = std::min(first_invalid, c.first_rows[i].front().line);
    }
    if (invalid > 0) {
        note(counted(invalid, "row") + " of " + file + " cannot be checked, " + (invalid == 1 ? "" : "the first ") +
             "on line " + std::to_string(first_invalid));
    }
    if (c.duplicates > 0) {
        std::string named;
        for (const Row &row : c.first_duplicates)
            named += (named.empty() ? "" : ", ") + row.device + " (line " + std::to_string(row.line) + ")";
        note(counted(c.duplicates, "row") + " of " + file + (c.duplicates == 1 ? " repeats" : " repeat") +
             " the device name of an earlier row: " + named +
             (c.duplicates > c.first_duplicates.size() ? ", ..." : ""));
    }
    if (invalid == c.rows) return status_of(Outcome::kNothingJudged);
    bool wrong = invalid > 0;
    for (size_t v = 0; v < kVerdicts; ++v)
        wrong = wrong || (is_failure(static_cast<Verdict>(v)) && counts.total[v] > 0);
    return status_of(wrong ? Outcome::kWrong : Outcome::kRight);
}

}  // namespace qeltz
