// SPDX-License-Identifier: MIT
// What the commands share: where the tz database is, and the forms of text
// their output takes (commands.hpp).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "commands/commands.hpp"
#include "formats/csv.hpp"
#include "judge/derive.hpp"
#include "judge/schedule.hpp"
#include "judge/verdict.hpp"

namespace qeltz {

std::string tzdir_of(const Request &r) {
    if (!r.tzdir.empty()) return r.tzdir;
    const char *env = std::getenv("TZDIR");
    return env != nullptr && *env != '\0' ? env : "/usr/share/zoneinfo";
}

std::string csv_field(const std::string &text) { return csv_field_exact(text); }

std::string record_cells(const qel_tzset *record) {
    if (record == nullptr) return ",,,,";
    std::string cells = std::to_string(record->zone) + "," + std::to_string(record->dst_on);
    if (record->dst_on == 0) return cells + ",,,";
    return cells + "," + std::to_string(record->dst_minutes) + "," + rule_text(rule_of(record->start)) + "," +
           rule_text(rule_of(record->end));
}

std::string counted(size_t n, const std::string &noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

void write_reasons(JsonWriter &json, const std::vector<Reason> &reasons) {
    json.array();
    for (const Reason &reason : reasons) {
        json.object().key("kind").string(kind_word(reason.kind)).key("text").string(reason.text).end();
    }
    json.end();
}

std::string reason_cells(const std::vector<Reason> &reasons) {
    std::string kinds, texts;
    for (const Reason &reason : reasons) {
        kinds += (kinds.empty() ? "" : " ") + std::string(kind_word(reason.kind));
        texts += (texts.empty() ? "" : ",") + json_text(reason.text);
    }
    return kinds + "," + csv_field("[" + texts + "]");
}

namespace {

// Each JSON output and the version of its shape: a change to the keys or
// the meaning of the values of an output raises its version.
struct JsonFormat {
    const char *output;
    int version;
};
constexpr JsonFormat kJsonFormats[] = {
    {"default", 1}, {"tz", 1},    {"zic", 1},  {"parse", 1}, {"zones", 1}, {"place", 1},
    {"places", 1},  {"check", 2}, {"diff", 2}, {"audit", 1}, {"table", 1},
};

}  // namespace

JsonWriter &open_output(JsonWriter &json, const char *output) {
    const auto *format = std::find_if(std::begin(kJsonFormats), std::end(kJsonFormats),
                                      [output](const JsonFormat &f) { return std::strcmp(f.output, output) == 0; });
    const int version = format != std::end(kJsonFormats) ? format->version : 0;
    return json.object().key("format").string("qel-tz/" + std::string(output) + "/" + std::to_string(version));
}

const char *const kExitStatusText[3] = {
    "done; for place, the record or each record of its schedule, and for check the TZ string, as every C library "
    "read it, is exact or differs only in abbreviations or daylight flags",
    "the best a place can be given is approximate or goes wrong (place), the TZ string differs from the place or "
    "cannot express it (check), a place is damaged (places), an old TZ string goes wrong (diff), a device is wrong "
    "or a row invalid (audit), or a tool or the output failed",
    "bad input or nothing to judge: an option, a place name, a file or a database the tool cannot use, or scratch "
    "space ($TMPDIR) or memory it lacks, named in one line on standard error",
};

std::vector<CLibrary> libraries_of(const Request &r) { return r.libraries.libraries; }

std::string read_by(const Request &r, const std::vector<CLibrary> &libraries) {
    std::string s, missing;
    for (const CLibrary &library : libraries) s += (s.empty() ? "" : ", ") + library.label();
    for (const std::string &name : r.libraries.left_out) missing += (missing.empty() ? "" : ", ") + name;
    if (!missing.empty()) s += " (all this qel-tz can run: no " + missing + " reader here)";
    return s;
}

void write_window_and_libraries(JsonWriter &json, Window window, const std::vector<CLibrary> &libraries) {
    json.key("window").object().key("from").string(iso_utc(window.from)).key("to").string(iso_utc(window.to)).end();
    json.key("libraries").array();
    for (const CLibrary &library : libraries) json.string(library.label());
    json.end();
}

void print_window_and_libraries(Window window, const std::string &read_by) {
    std::printf("window:         %s\n", window.text().c_str());
    std::printf("read by:        %s\n", shown(read_by).c_str());
}

int status_of(Outcome outcome) {
    switch (outcome) {
        case Outcome::kRight:
            return kDone;
        case Outcome::kWrong:
            return kFailure;
        case Outcome::kNothingJudged:
            break;
    }
    return kBadInput;
}

int status_of(Verdict v) { return status_of(is_failure(v) ? Outcome::kWrong : Outcome::kRight); }

int status_of(const Advice &advice) { return status_of(advice.confirmed ? Outcome::kRight : Outcome::kWrong); }

Progress progress_line() {
    if (isatty(STDERR_FILENO) == 0) return {};
    return [](const std::string &what) { (void)std::fprintf(stderr, "\r%-100.100s", shown(what).c_str()); };
}

void end_progress(const Progress &progress) {
    if (progress) (void)std::fprintf(stderr, "\r%100s\r", "");
}

void write_schedule(JsonWriter &json, const ScheduleSpans &spans) {
    json.array();
    for (const Judgement *s : spans) {
        const bool send = sendable(*s);
        json.object().key("from").string(iso_utc(s->window.from)).key("until").string(iso_utc(s->window.to));
        json.key("record");
        write_record(json, send ? &s->record : nullptr);
        json.key("tz").string_or_null(send ? s->tz : "").key("zic").string_or_null(sends_zic(*s) ? s->zic : "");
        json.key("reasons");
        write_reasons(json, why_not_sent(*s));
        json.key("approximate");
        if (s->approximate.empty()) {
            json.null();
        } else {
            json.object().key("cost").string(s->approximate).key("hours_wrong").decimal(s->hours_wrong());
            json.key("rule_line").string_or_null(rule_line_for(*s)).end();
        }
        json.end();
    }
    json.end();
}

namespace {

// The place's own rule line offered where no record expresses it.
void print_own_rule_line(const char *indent, const std::string &line) {
    if (!line.empty())
        std::printf("%sa device that holds a TZ string may be given the place's own: %s\n", indent,
                    shown(line).c_str());
}

}  // namespace

void print_schedule(const ScheduleSpans &spans) {
    if (spans.empty() || advice_of(spans).single()) return;
    std::printf("schedule:       %s\n", spans.size() == 1 ? "no record expresses the place; send the nearest"
                                                          : "no one record holds over the window; send each in turn");
    for (const Judgement *s : spans) {
        std::printf("  from %s UTC until %s UTC: %s\n", date_time_text(s->window.from).c_str(),
                    date_time_text(s->window.to).c_str(),
                    sendable(*s)
                        ? ("TZ string " + shown(s->tz)).c_str()
                        : ("no record (" + shown(s->reasons.empty() ? "" : s->reasons.front().text) + ")").c_str());
        if (s->approximate.empty()) continue;
        std::printf("    approximate: no record expresses the place; this, the nearest, is %s\n",
                    s->approximate.c_str());
        print_own_rule_line("    ", rule_line_for(*s));
    }
}

void write_schedule_or_null(JsonWriter &json, const Advice &send) {
    if (send.spans.empty()) {
        json.null();
    } else {
        write_schedule(json, send.spans);
    }
}

void print_send(const Advice &send, bool wrong) {
    if (send.holds_nearest) {
        std::printf("  send: none; it already holds the nearest record, nothing better to send as a record\n");
        print_own_rule_line("  ", send.rule_line);
    } else if (send.spans.size() == 1 && send.now != nullptr) {
        std::printf("  send: TZ string %s, %s%s\n", send.now->tz.c_str(), describe(send.now->record).c_str(),
                    send.now->approximate.empty() ? "" : ("; the nearest: " + send.now->approximate).c_str());
    } else if (send.spans.size() > 1) {
        for (const Judgement *s : send.spans) {
            std::printf("  send from %s UTC: %s\n", date_time_text(s->window.from).c_str(),
                        sendable(*s) ? ("TZ string " + s->tz).c_str() : "nothing, no record expresses the place then");
        }
    } else if (wrong) {
        std::printf("  send: nothing, no record expresses the place over the window (qel-tz place says why)\n");
    }
}

std::string schedule_cells(const ScheduleSpans &spans) {
    if (spans.empty() || advice_of(spans).single()) return "";
    std::string cell;
    {
        JsonWriter json(cell);
        write_schedule(json, spans);
    }
    cell.pop_back();  // the line end after the top value
    return csv_field(cell);
}

void write_wrong(JsonWriter &json, const Judgement &j) {
    json.key("wrong_from").string_or_null(j.has_wrong_from() ? iso_utc(j.wrong_from) : "");
    json.key("hours_wrong");
    if (j.tz.empty()) {
        json.null();
    } else {
        json.decimal(j.hours_wrong());
    }
}

}  // namespace qeltz
