// SPDX-License-Identifier: MIT
// qel-tz diff: two releases of the tz database zone by zone, and from when
// the TZ string a device holds from the old one gives a wrong UTC offset
// under the new one (release_diff.hpp).
#include <cstdio>
#include <map>

#include "commands/commands.hpp"
#include "commands/report_html.hpp"
#include "formats/json.hpp"
#include "judge/release_diff.hpp"
#include "judge/verdict.hpp"

namespace qeltz {

namespace {

std::string joined(const std::vector<std::string> &words, const char *separator) {
    std::string out;
    for (const auto &w : words) out += (out.empty() ? "" : separator) + w;
    return out;
}

// The kind of problem that keeps a side's zone from being one (a damaged
// file, a link that dangles or leads out), or "" for none.
std::string problem_of(const ReleaseSide &side) {
    const std::vector<Reason> &reasons = side.check.reasons;
    return side.present && !reasons.empty() && is_place_problem(reasons.front().kind) ? kind_word(reasons.front().kind)
                                                                                      : "";
}

void write_side(JsonWriter &json, const ReleaseSide &side) {
    if (!side.present) {
        json.null();
        return;
    }
    const Judgement &c = side.check;
    json.object().key("record");
    write_record(json, c.has_record ? &c.record : nullptr);
    json.key("tz").string_or_null(c.tz).key("tz_verdict").string(verdict_name(c.tz_verdict));
    json.key("problem").string_or_null(problem_of(side)).end();
}

// What to send the place's devices: the new schedule, where it is advised.
Advice advice_for(const PlaceDiff &d) {
    ScheduleSpans spans;
    for (const Judgement &j : d.new_schedule) spans.push_back(&j);
    return advice_for(d.advised(), std::move(spans));
}

void write_json(const ReleaseDiff &diff) {
    JsonWriter json(stdout);
    open_output(json, "diff").key("old").string(diff.old_version).key("new").string(diff.new_version);
    write_window_and_libraries(json, diff.window, diff.libraries);
    json.key("places").array(",\n ");
    for (const PlaceDiff &d : diff.places) {
        json.object().key("place").string(d.place).key("also").array();
        for (const auto &link : d.also) json.string(link);
        json.end().key("change").string(change_name(d.change)).key("old");
        write_side(json, d.old_side);
        json.key("new");
        write_side(json, d.new_side);
        json.key("wrong_from").string_or_null(d.goes_wrong() ? iso_utc(d.wrong_from) : "");
        json.key("hours_wrong");
        if (d.old_tz()) {
            json.decimal(static_cast<double>(d.wrong_seconds) / 3600.0);
        } else {
            json.null();
        }
        json.key("schedule");
        write_schedule_or_null(json, advice_for(d));
        json.end();
    }
    json.end().end();
}

void print_csv(const ReleaseDiff &diff) {
    std::printf(
        "place,also,change,old_tz,old_tz_verdict,old_problem,new_tz,new_tz_verdict,new_problem,wrong_from,"
        "hours_wrong,schedule\n");
    for (const PlaceDiff &d : diff.places) {
        std::printf("%s,%s,%s", csv_field(d.place).c_str(), csv_field(joined(d.also, " ")).c_str(),
                    change_name(d.change));
        for (const ReleaseSide *side : {&d.old_side, &d.new_side}) {
            std::printf(",%s,%s,%s", csv_field(side->check.tz).c_str(),
                        side->present ? verdict_name(side->check.tz_verdict) : "", problem_of(*side).c_str());
        }
        std::printf(",%s,%s,%s\n", d.goes_wrong() ? iso_utc(d.wrong_from).c_str() : "",
                    d.old_tz() ? decimal_text(static_cast<double>(d.wrong_seconds) / 3600.0).c_str() : "",
                    schedule_cells(advice_for(d).spans).c_str());
    }
}

// "  2026a: TZ (verdict)", with the abbreviations where the two releases' differ.
void print_side(const std::string &label, const ReleaseSide &side, bool names) {
    if (!side.present) {
        std::printf("  %s: (no such zone)\n", shown(label).c_str());
        return;
    }
    const Judgement &c = side.check;
    std::printf("  %s: %s (%s)%s%s\n", shown(label).c_str(), c.tz.empty() ? "no record" : shown(c.tz).c_str(),
                verdict_name(c.tz_verdict), names ? ", abbreviations " : "",
                names ? shown(joined(side.names, " ")).c_str() : "");
    // Why there is no record: the place's rule, or a damaged zone file.
    if (c.tz.empty() && !c.reasons.empty()) std::printf("    %s\n", shown(c.reasons.front().text).c_str());
}

// How the text names the old and the new release.
struct Labels {
    std::string old_side, new_side;
};

void print_text(const ReleaseDiff &diff, const Labels &labels) {
    std::map<std::string, int> changes;
    size_t going_wrong = 0;
    for (const PlaceDiff &d : diff.places) {
        ++changes[change_name(d.change)];
        going_wrong += d.goes_wrong() ? 1U : 0U;
        std::printf("%s: %s%s%s\n", shown(d.place).c_str(), change_name(d.change), d.also.empty() ? "" : ", also ",
                    shown(joined(d.also, " ")).c_str());
        const bool names = d.old_side.names != d.new_side.names && d.old_side.present && d.new_side.present;
        print_side(labels.old_side, d.old_side, names);
        print_side(labels.new_side, d.new_side, names);
        if (d.goes_wrong()) {
            std::printf("  the old TZ string goes wrong from %s UTC: %.1f hours of wrong local time in %s\n",
                        date_time_text(d.wrong_from).c_str(), static_cast<double>(d.wrong_seconds) / 3600.0,
                        diff.window.text().c_str());
        }
        print_send(advice_for(d), d.goes_wrong());
        std::printf("\n");
    }
    std::string counts;
    for (const auto &[change, n] : changes) counts += (counts.empty() ? " (" : ", ") + std::to_string(n) + " " + change;
    std::printf("%s changed from tz database %s (%s) to %s (%s), window %s%s%s; ",
                counted(diff.places.size(), "zone").c_str(), shown(labels.old_side).c_str(),
                counted(diff.old_places, "zone").c_str(), shown(labels.new_side).c_str(),
                counted(diff.new_places, "zone").c_str(), diff.window.text().c_str(), counts.c_str(),
                counts.empty() ? "" : ")");
    if (going_wrong == 0) {
        std::printf("no old TZ string goes wrong\n");
    } else {
        std::printf("%s wrong, the first from %s UTC\n",
                    (counted(going_wrong, "old TZ string") + (going_wrong == 1 ? " goes" : " go")).c_str(),
                    date_time_text(diff.places.front().wrong_from).c_str());
    }
}

}  // namespace

int run_diff(const Request &r) {
    for (const std::string &folder : r.arguments) {
        const std::string problem = database_problem(folder);
        if (!problem.empty()) return complain(kBadInput, problem);
    }
    ReleaseDiff diff;
    std::string why;
    if (!diff_releases(r.arguments[0], r.arguments[1], r.window, libraries_of(r), diff, why)) {
        return complain(kFailure, why);
    }
    if (!r.html.empty() && !write_diff_html(
                               r.html, diff, r.arguments, read_by(r, diff.libraries),
                               [](const PlaceDiff &d) { return advice_for(d); }, why))
        return complain(kFailure, why);
    if (r.json) {
        write_json(diff);
    } else if (r.csv) {
        print_csv(diff);
    } else {
        std::printf("window %s, read by %s\n\n", diff.window.text().c_str(), shown(read_by(r, diff.libraries)).c_str());
        // Two folders of one release are told apart by their names.
        const bool same = diff.old_version == diff.new_version;
        print_text(diff, {diff.old_version + (same ? " in " + r.arguments[0] : ""),
                          diff.new_version + (same ? " in " + r.arguments[1] : "")});
    }
    // 1 where an old string goes wrong (those come first) or a zone of either
    // release cannot be read as one.
    bool damaged = false;
    for (const PlaceDiff &d : diff.places) {
        for (const ReleaseSide *side : {&d.old_side, &d.new_side}) {
            damaged = damaged || !problem_of(*side).empty();
        }
    }
    const bool wrong = !diff.places.empty() && diff.places.front().goes_wrong();
    return status_of(wrong || damaged ? Outcome::kWrong : Outcome::kRight);
}

}  // namespace qeltz
