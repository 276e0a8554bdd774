// SPDX-License-Identifier: MIT
// The commands on places of the tz database: place, places, check.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "commands/commands.hpp"
#include "commands/report_html.hpp"
#include "formats/escaping.hpp"
#include "formats/json.hpp"
#include "judge/schedule.hpp"
#include "judge/verdict.hpp"
#include "system/zone_links.hpp"

namespace qeltz {

namespace {

void write_span(JsonWriter &json, const Span &s) {
    json.object().key("offset").number(s.offset).key("isdst").boolean(s.isdst).key("abbr").string(s.abbr).end();
}

void write_text_or_null(JsonWriter &json, const std::string &s) {
    if (s.empty()) {
        json.null();
    } else {
        json.string(s);
    }
}

void write_record_or_null(JsonWriter &json, bool has, const qel_tzset &record) {
    if (has) {
        write_record(json, record);
    } else {
        json.null();
    }
}

void write_differences(JsonWriter &json, const char *source, const std::string &library, const Comparison &cmp) {
    for (const auto &d : cmp.differences) {
        json.object().key("utc").string(iso_utc(d.utc));
        json.key("source").string(source).key("library").string(library).key("expected");
        write_span(json, d.expected);
        json.key("got");
        write_span(json, d.got);
        json.end();
    }
}

// A place's judgement; `output` names the JSON output it is the top object
// of, nullptr for a row of places.
void write_check(JsonWriter &json, const Judgement &c, const char *output, const Advice &send) {
    (output != nullptr ? open_output(json, output) : json.object())
        .key("place")
        .string(c.place)
        .key("tzdata")
        .string(c.tzdata);
    json.key("window").object().key("from").string(iso_utc(c.window.from)).key("to").string(iso_utc(c.window.to));
    json.end().key("libraries").array();
    for (const std::string &library : c.libraries) json.string(library);
    json.end().key("record");
    write_record_or_null(json, c.has_record, c.record);
    json.key("record_from_tz");
    write_record_or_null(json, c.tz_given && c.has_record, c.record);
    json.key("tz");
    write_text_or_null(json, c.tz);
    json.key("zic");
    write_text_or_null(json, c.zic);
    json.key("tz_verdict").string(verdict_name(c.tz_verdict)).key("zic_verdict").string(verdict_name(c.zic_verdict));
    write_wrong(json, c);
    json.key("schedule");
    write_schedule_or_null(json, send);
    json.key("rule_line_verdicts").object();
    for (const auto &[library, verdict] : c.rule_line_verdicts) json.key(library.c_str()).string(verdict_name(verdict));
    json.end();
    json.key("valid_through");
    if (c.valid_through != 0) {
        json.number(c.valid_through);
    } else {
        json.null();
    }
    json.key("reasons");
    write_reasons(json, c.reasons);
    json.key("differences").array();
    for (const LibraryComparison &read : c.tz_comparisons) write_differences(json, "tz", read.library, read.comparison);
    write_differences(json, "zic", c.zic_library, c.zic_comparison);
    json.end().end();
}

bool same_differences(const Comparison &a, const Comparison &b) {
    return std::equal(a.differences.begin(), a.differences.end(), b.differences.begin(), b.differences.end(),
                      [](const Difference &x, const Difference &y) {
                          return x.utc == y.utc && x.until == y.until && same_local_time(x.expected, y.expected) &&
                                 same_local_time(x.got, y.got);
                      });
}

void print_differences(const std::string &what, const Comparison &cmp) {
    if (cmp.differences.empty()) return;
    std::printf("differences, %s (%zu, %.1f hours of wrong local time):\n", what.c_str(), cmp.differences.size(),
                static_cast<double>(cmp.wrong_seconds) / 3600.0);
    size_t shown_count = 0;
    for (const auto &d : cmp.differences) {
        if (++shown_count > 12) {
            std::printf("  ... and %zu more (--json lists them all)\n", cmp.differences.size() - 12);
            break;
        }
        std::printf("  %s UTC for %.1f h: place %s %s (%s), record %s %s (%s)\n", date_time_text(d.utc).c_str(),
                    static_cast<double>(d.until - d.utc) / 3600.0,
                    date_time_text(d.utc, d.expected.offset).substr(11).c_str(), shown(d.expected.abbr).c_str(),
                    utc_offset_text(d.expected.offset).c_str(), date_time_text(d.utc, d.got.offset).substr(11).c_str(),
                    shown(d.got.abbr).c_str(), utc_offset_text(d.got.offset).c_str());
    }
}

// `checked`: a setting checked, with what to send where it is wrong; else
// the place's own record, with its schedule.
void print_check(const Judgement &c, const std::string &read_by, const Advice &send, bool checked) {
    std::printf("place:          %s (tz database %s)\n", shown(c.place).c_str(), shown(c.tzdata).c_str());
    print_window_and_libraries(c.window, read_by);
    std::printf("place's rule:   %s\n", c.rule_line.empty() ? "(none)" : shown(c.rule_line).c_str());
    std::printf("record:         %s\n", c.has_record ? describe(c.record).c_str() : "(none)");
    std::printf("TZ string:      %s\n", c.tz.empty() ? "(none)" : shown(c.tz).c_str());
    if (c.tz_given) {
        std::printf("record from TZ: %s\n",
                    c.has_record ? describe(c.record).c_str() : "(none: see device-refuses-string below)");
    }
    if (!c.zic.empty()) print_zic_text(c.zic);
    std::printf("TZ verdict:     %s\n",
                checked ? verdict_name(c.tz_verdict) : outcome_text(c.tz_verdict, send).c_str());
    if (c.has_wrong_from()) {
        std::printf("wrong from:     %s UTC, %.1f hours of wrong local time\n", date_time_text(c.wrong_from).c_str(),
                    c.hours_wrong());
    }
    std::printf("zic verdict:    %s\n", verdict_name(c.zic_verdict));
    if (!checked) print_schedule(send.spans);
    for (const Reason &reason : c.reasons)
        std::printf("  - %s [%s]\n", shown(reason.text).c_str(), kind_word(reason.kind));
    // Libraries that read the string with the same differences share a list.
    for (size_t i = 0; i < c.tz_comparisons.size();) {
        std::string who = c.tz_comparisons[i].library;
        size_t j = i + 1;
        for (; j < c.tz_comparisons.size() &&
               same_differences(c.tz_comparisons[i].comparison, c.tz_comparisons[j].comparison);
             ++j) {
            who += ", " + c.tz_comparisons[j].library;
        }
        print_differences("TZ string as " + who + (j - i > 1 ? " read it" : " reads it"),
                          c.tz_comparisons[i].comparison);
        i = j;
    }
    print_differences("zic text as " + c.zic_library + " reads zic's output", c.zic_comparison);
    if (checked) print_send(send, c.wrong());
}

// Loads the place, asks the engine `ask` about it and prints the judgement
// with the advice: for a setting `checked`, what to send where it is wrong,
// else the place's schedule. The exit status follows the verdict on the
// setting checked, else the advice.
template <typename Ask>
int run_one(const Request &r, const std::string &name, bool checked, Ask ask) {
    const std::vector<CLibrary> libraries = libraries_of(r);
    const TzDatabase db = tz_database(tzdir_of(r));
    if (!db.problem.empty()) return complain(kBadInput, db.problem);
    Engine engine(r.window, libraries);
    const size_t place = engine.place(db, name);
    const Place &p = engine.place_at(place);
    if (!p.ok) return complain(kBadInput, p.problem.text);
    const size_t i = ask(engine, place);
    const std::vector<size_t> spans = ask_schedule(engine, place, checked ? engine.derived(place) : i);
    std::string why;
    if (!r.html.empty()) engine.keep_timelines();
    if (!engine.run(why)) return complain(kFailure, why);
    const Judgement &c = engine.result(i);
    ScheduleSpans schedule;
    for (const size_t s : spans) schedule.push_back(&engine.result(s));
    const Held held{c.tz_given ? c.tz : "", c.record};
    const Advice advice =
        checked ? advice_for(c.wrong(), schedule, c.tz_given || c.has_record ? &held : nullptr) : advice_of(schedule);
    const int status = checked ? status_of(c.tz_verdict) : status_of(advice);
    if (!r.html.empty() &&
        !write_place_html(r.html, {&c, engine.timeline(place), advice, status == kDone, read_by(r, libraries)}, why))
        return complain(kFailure, why);
    if (r.json) {
        JsonWriter json(stdout);
        write_check(json, c, r.command->name, advice);
    } else {
        print_check(c, read_by(r, libraries), advice, checked);
    }
    return status;
}

// The summary of places: verdicts counted, and reasons by kind, each kind
// once a place.
struct Summary {
    std::map<std::string, int> tz, zic;
    int reasons[static_cast<size_t>(ReasonKind::kCount)] = {};
    // Per library, the places whose own rule line it reads with other offsets.
    std::map<std::string, std::vector<std::string>> misread;

    void add(const Judgement &c) {
        for (const auto &[library, verdict] : c.rule_line_verdicts) {
            std::vector<std::string> &places = misread[library];
            if (verdict == Verdict::kDiffers) places.push_back(c.place);
        }
        ++tz[verdict_name(c.tz_verdict)];
        ++zic[verdict_name(c.zic_verdict)];
        bool seen[static_cast<size_t>(ReasonKind::kCount)] = {};
        for (const Reason &reason : c.reasons) seen[static_cast<size_t>(reason.kind)] = true;
        for (size_t k = 0; k < static_cast<size_t>(ReasonKind::kCount); ++k) reasons[k] += seen[k];
    }
    // The kinds that occur, the commonest first.
    std::vector<ReasonKind> kinds() const {
        std::vector<ReasonKind> out;
        for (size_t k = 0; k < static_cast<size_t>(ReasonKind::kCount); ++k) {
            if (reasons[k] > 0) out.push_back(static_cast<ReasonKind>(k));
        }
        std::stable_sort(out.begin(), out.end(), [this](ReasonKind a, ReasonKind b) {
            return reasons[static_cast<size_t>(a)] > reasons[static_cast<size_t>(b)];
        });
        return out;
    }
};

void write_summary(JsonWriter &json, size_t places, Summary &s) {
    json.object().key("places").number(static_cast<int64_t>(places));
    for (auto *counts : {&s.tz, &s.zic}) {
        json.key(counts == &s.tz ? "tz_verdict" : "zic_verdict").object();
        for (size_t v = 0; v < kVerdicts; ++v) {
            const char *word = verdict_name(static_cast<Verdict>(v));
            json.key(word).number((*counts)[word]);
        }
        json.end();
    }
    json.key("reasons").object();
    for (const ReasonKind kind : s.kinds()) json.key(kind_word(kind)).number(s.reasons[static_cast<size_t>(kind)]);
    json.end().key("rule_lines_misread").object();
    for (const auto &[library, names] : s.misread) {
        json.key(library.c_str()).array();
        for (const std::string &name : names) json.string(name);
        json.end();
    }
    json.end().end();
}

void print_summary(size_t places, const std::string &version, Window window, const std::string &read_by, Summary &s) {
    std::printf("\n%zu places of tz database %s, window %s\n", places, shown(version).c_str(), window.text().c_str());
    std::printf("TZ strings read by %s\n", shown(read_by).c_str());
    for (size_t v = 0; v < kVerdicts; ++v) {
        const char *word = verdict_name(static_cast<Verdict>(v));
        std::printf("  %-16s TZ string %4d   zic text %4d\n", word, s.tz[word], s.zic[word]);
    }
    std::printf("reasons by kind (places):\n");
    for (const ReasonKind kind : s.kinds()) {
        std::printf("  %4d  %-24s %s\n", s.reasons[static_cast<size_t>(kind)], kind_word(kind), kind_meaning(kind));
    }
    // A device given the zone's own TZ string (a copy of the database's
    // rule line) goes wrong where its library misreads it.
    std::printf("places whose own rule line a library reads with other offsets than glibc:\n");
    for (const auto &[library, names] : s.misread) {
        std::string list;
        for (const std::string &name : names) list += " " + shown(name);
        std::printf("  %-18s %3zu%s\n", library.c_str(), names.size(), list.c_str());
    }
}

}  // namespace

int run_place(const Request &r) {
    return run_one(r, r.arguments[0], false, [](Engine &engine, size_t place) { return engine.derived(place); });
}

int run_check(const Request &r) {
    return run_one(r, r.place, true, [&](Engine &engine, size_t place) {
        return r.has_record() ? engine.record(place, r.record) : engine.tz_string(place, r.tz);
    });
}

int run_places(const Request &r) {
    const TzDatabase db = tz_database(tzdir_of(r));
    if (!db.problem.empty()) return complain(kBadInput, db.problem);
    const std::vector<std::string> names = list_places(db.dir);
    if (names.empty()) return complain(kBadInput, "no places in " + db.dir);
    const std::string &version = db.version;
    const Progress progress = progress_line();
    const std::vector<CLibrary> libraries = libraries_of(r);

    // Every place is loaded and its record derived, then judged in one run;
    // a place that cannot be loaded is judged with its problem.
    Engine engine(r.window, libraries);
    std::vector<size_t> places(names.size()), judged(names.size());
    std::vector<std::vector<size_t>> spans(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        if (progress && i % 32 == 0) {
            progress(std::to_string(i + 1) + " of " + std::to_string(names.size()) + " places read");
        }
        places[i] = engine.place(db, names[i]);
        judged[i] = engine.derived(places[i]);
        spans[i] = ask_schedule(engine, places[i], judged[i]);
    }
    std::string error;
    const bool ran = engine.run(error, progress);
    end_progress(progress);
    if (!ran) return complain(kFailure, error);

    Summary summary;
    bool problems = false;
    JsonWriter json(stdout);
    if (r.json) {
        open_output(json, "places").key("tzdata").string(version);
        write_window_and_libraries(json, r.window, libraries);
        json.key("places").array(",\n ");
    }
    std::map<std::string, std::string> links;  // of each place, by its name
    for (const auto &[link, target] : zone_links(db.dir)) links[target] += (links[target].empty() ? "" : " ") + link;
    if (r.csv) {
        std::printf(
            "place,tzdata,window_from,window_to,zone,dst_on,dst_minutes,start,end,tz,tz_verdict,zic_verdict,"
            "wrong_from,hours_wrong,valid_through,schedule,links,reason_kinds,reasons\n");
    }
    for (size_t i = 0; i < names.size(); ++i) {
        const Judgement &c = engine.result(judged[i]);
        ScheduleSpans schedule;
        for (const size_t s : spans[i]) schedule.push_back(&engine.result(s));
        const Advice advice = advice_of(schedule);
        problems = problems || !engine.place_at(places[i]).ok;
        summary.add(c);
        if (r.json) {
            write_check(json, c, nullptr, advice);
        } else if (r.csv) {
            // The place's record, or where a schedule is needed the one to send now.
            const Judgement &now = !c.has_record && advice.now != nullptr ? *advice.now : c;
            std::printf("%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s\n", csv_field(c.place).c_str(),
                        csv_field(version).c_str(), iso_utc(c.window.from).c_str(), iso_utc(c.window.to).c_str(),
                        record_cells(now.has_record ? &now.record : nullptr).c_str(), csv_field(now.tz).c_str(),
                        verdict_name(c.tz_verdict), verdict_name(c.zic_verdict),
                        c.has_wrong_from() ? iso_utc(c.wrong_from).c_str() : "",
                        c.tz.empty() ? "" : decimal_text(c.hours_wrong()).c_str(),
                        c.valid_through != 0 ? std::to_string(c.valid_through).c_str() : "",
                        schedule_cells(schedule).c_str(), csv_field(links[c.place]).c_str(),
                        reason_cells(c.reasons).c_str());
        } else if (!engine.place_at(places[i]).ok) {
            const Reason &problem = engine.place_at(places[i]).problem;
            std::printf("%-32s %-31s %s\n", shown(c.place).c_str(), kind_word(problem.kind),
                        shown(problem.text).c_str());
        } else {
            std::printf("%-32s %-15s %-15s %s\n", shown(c.place).c_str(), verdict_name(c.tz_verdict),
                        verdict_name(c.zic_verdict), c.tz.empty() ? "-" : shown(c.tz).c_str());
        }
    }
    if (r.json) {
        json.end().key("summary");
        write_summary(json, names.size(), summary);
        json.end();
    } else if (!r.csv) {
        print_summary(names.size(), version, r.window, read_by(r, libraries), summary);
    }
    // A database with files that are no readable zones is not what it should be.
    return status_of(problems ? Outcome::kWrong : Outcome::kRight);
}

}  // namespace qeltz
