// SPDX-License-Identifier: MIT
// The pages of --html (report_html.hpp). A page is built as one string and
// written at the end: it is bounded by the caps below, not by the fleet.
#include "commands/report_html.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "formats/html.hpp"
#include "formats/timeline_svg.hpp"
#include "judge/advice.hpp"
#include "judge/drawn_timelines.hpp"
#include "judge/schedule.hpp"
#include "system/process.hpp"

namespace qeltz {

namespace {

constexpr size_t kDrawn = 30;       // settings or places drawn with a timeline and their devices
constexpr size_t kTabled = 1000;    // wrong settings in the table after those
constexpr size_t kNames = 200;      // device names listed for a setting
constexpr size_t kUnchecked = 200;  // rows that cannot be checked, listed
constexpr size_t kStretches = 100;  // wrong stretches drawn in a lane
constexpr size_t kPlaces = 1000;    // rows of the table of devices per place

const char kStyle[] =
    "@page{size:A4;margin:14mm}"
    "body{font:10.5pt/1.4 sans-serif;color:#111;max-width:182mm;margin:1em auto;padding:0 .5em}"
    "h1{font-size:17pt;margin:0 0 .3em}h2{font-size:13.5pt;border-bottom:1px solid #888;margin-top:1.4em}"
    "h3{font-size:11.5pt;margin:1.1em 0 .3em}"
    "dl.facts{display:grid;grid-template-columns:max-content 1fr;gap:.1em 1em;margin:.4em 0}"
    "dt{font-weight:bold}dd{margin:0}"
    ".counts{display:flex;flex-wrap:wrap;gap:.5em;margin:.8em 0}"
    ".count{border:2px solid #999;border-radius:6px;padding:.2em .8em;min-width:6.5em;text-align:center}"
    ".count .n{display:block;font-size:22pt;font-weight:bold}"
    ".count.minor .n{font-size:12pt}"
    ".bad{border-color:#c0392b;background:#fdecea}.good{border-color:#2e7d32;background:#edf7ee}"
    ".first{font-size:12pt;font-weight:bold}"
    "article{border-top:1px solid #ccc;margin-top:1em}"
    "figure{margin:.5em 0;break-inside:avoid}figcaption{font-size:9pt;color:#444}"
    "svg.timeline{width:100%;height:auto}svg text{font:9px sans-serif}"
    "svg .level{text-anchor:end}svg .when{text-anchor:middle}svg .grid{stroke:#ccc}"
    "svg .change{stroke:#777;stroke-dasharray:2 2}"
    "code,pre{font-family:monospace;background:#f3f3f3;padding:0 .2em;overflow-wrap:anywhere}"
    "pre{white-space:pre-wrap;padding:.3em}"
    "table{border-collapse:collapse;font-size:9pt}th,td{border:1px solid #bbb;padding:.1em .4em;text-align:left;"
    "vertical-align:top}td.n{text-align:right}"
    ".kind{color:#555;font-size:8.5pt}ul.names{columns:3;font-size:9pt}";

std::string esc(const std::string &s) { return html_text(s); }

std::string head(const std::string &title) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" + esc(title) + "</title><style>" +
           kStyle + "</style></head><body>\n<h1>" + esc(title) + "</h1>\n";
}

// `note`: what the page leaves out, in a sentence ("": nothing).
bool finish(const std::string &file, std::string &page, const std::string &note, std::string &why) {
    page += "<footer><p>Written by qel-tz." + (note.empty() ? "" : " " + note) + "</p></footer>\n</body></html>\n";
    if (write_file(file, page)) return true;
    why = "cannot write " + file + ": " + std::strerror(errno);
    return false;
}

using Facts = std::vector<std::pair<const char *, std::string>>;

// Facts as a list of terms, the values escaped.
std::string facts(const Facts &rows) {
    std::string s = "<dl class=\"facts\">";
    for (const auto &[term, value] : rows) s += std::string("<dt>") + term + "</dt><dd>" + esc(value) + "</dd>";
    return s + "</dl>\n";
}

// A count, large, with the attributes a check of the rendered page reads;
// `tone` ("bad", "good" or "") colours it where it is not 0.
std::string count_box(const std::string &word, size_t n, const char *tone) {
    const std::string number = std::to_string(n);
    return "<div class=\"count " + std::string(n == 0 ? "" : tone) + "\" id=\"count-" + word + "\" data-count=\"" +
           number + "\"><span class=\"n\">" + number + "</span>" + esc(word) + "</div>";
}

std::string when(int64_t t) {
    return t == Judgement::kNever ? std::string("never")
                                  : "<time datetime=\"" + iso_utc(t) + "\">" + date_time_text(t) + " UTC</time>";
}

std::string hours(int64_t seconds) { return decimal_text(static_cast<double>(seconds) / 3600.0); }

std::string reasons_list(const std::vector<Reason> &reasons) {
    if (reasons.empty()) return "";
    std::string s = "<ul class=\"reasons\">";
    for (const Reason &r : reasons)
        s += "<li>" + esc(r.text) + " <span class=\"kind\">[" + kind_word(r.kind) + "]</span></li>";
    return s + "</ul>\n";
}

// What to send, as the JSON's schedule has it: one record now, or each in
// turn from its instant, an approximate span with what it costs.
std::string own_rule_line(const std::string &line) {
    return line.empty()
               ? std::string()
               : "; a device that holds a TZ string may be given the place's own, <code>" + esc(line) + "</code>";
}

std::string send_text(const Advice &advice) {
    const ScheduleSpans &spans = advice.spans;
    if (advice.holds_nearest)
        return "<p>Send nothing: the devices already hold the nearest record, nothing better to send as a record" +
               own_rule_line(advice.rule_line) + ".</p>\n";
    if (spans.empty()) return "<p>Send nothing: no record expresses the place over the window.</p>\n";
    std::string s = "<ol class=\"send\">";
    for (const Judgement *span : spans) {
        s += "<li>";
        if (spans.size() > 1) s += "From " + when(span->window.from) + " until " + when(span->window.to) + ": ";
        if (sendable(*span)) {
            s += "send the TZ string <code>" + esc(span->tz) + "</code> (" + esc(describe(span->record)) + ")";
        } else {
            s += "no record expresses the place" +
                 (span->reasons.empty() ? std::string() : ": " + esc(span->reasons.front().text));
        }
        if (!span->approximate.empty()) {
            s += "; approximate: the nearest record, " + esc(span->approximate) + own_rule_line(rule_line_for(*span));
        }
        s += "</li>";
    }
    return s + "</ol>\n";
}

std::string joined(const std::vector<std::string> &words) {
    std::string out;
    for (const std::string &w : words) out += (out.empty() ? "" : ", ") + w;
    return out;
}

std::vector<TimelineStep> steps_of(const std::vector<Span> &spans) {
    std::vector<TimelineStep> steps;
    steps.reserve(spans.size());
    for (const Span &s : spans) steps.push_back({s.from, s.offset});
    return steps;
}

// A reading as steps: the place's offsets, and the reading's own where it differs.
std::vector<TimelineStep> reading_steps(const std::vector<Span> &place, const std::vector<Difference> &wrong) {
    std::vector<int64_t> at;
    at.reserve(place.size() + 2 * wrong.size());
    for (const Span &s : place) at.push_back(s.from);
    for (const Difference &d : wrong) at.insert(at.end(), {d.utc, d.until});
    std::sort(at.begin(), at.end());
    std::vector<TimelineStep> steps;
    size_t p = 0, d = 0;
    for (const int64_t t : at) {
        while (p + 1 < place.size() && place[p + 1].from <= t) ++p;
        while (d < wrong.size() && wrong[d].until <= t) ++d;
        const int32_t offset = d < wrong.size() && wrong[d].utc <= t ? wrong[d].got.offset : place[p].offset;
        if (steps.empty() || steps.back().offset != offset) steps.push_back({t, offset});
    }
    return steps;
}

bool same_wrong(const Comparison &a, const Comparison &b) {
    return std::equal(a.differences.begin(), a.differences.end(), b.differences.begin(), b.differences.end(),
                      [](const Difference &x, const Difference &y) {
                          return x.utc == y.utc && x.until == y.until && x.got.offset == y.got.offset;
                      });
}

// The place's line, then a line and a lane for each distinct reading (the
// libraries that read the setting alike share one).
TimelinePicture picture_of(const DrawnTimeline &d, Window window, const std::string &place_label,
                           const std::string &what, const std::string &id) {
    TimelinePicture p;
    p.from = window.from;
    p.to = window.to;
    p.id = id;
    p.lines.push_back({place_label, steps_of(d.place)});
    p.title = "Timeline, " + window.text() + ": the UTC offset of " + place_label;
    std::vector<bool> done(d.readings.size());
    for (size_t i = 0; i < d.readings.size(); ++i) {
        if (done[i]) continue;
        std::vector<std::string> who;
        for (size_t j = i; j < d.readings.size(); ++j) {
            if (!done[j] && same_wrong(d.readings[i].comparison, d.readings[j].comparison)) {
                done[j] = true;
                who.push_back(d.readings[j].library);
            }
        }
        const std::vector<Difference> &wrong = d.readings[i].comparison.differences;
        p.lines.push_back(
            {what + " as " + joined(who) + (who.size() > 1 ? " read it" : " reads it"), reading_steps(d.place, wrong)});
        TimelineLane lane;
        lane.label =
            joined(who) + ": " +
            (wrong.empty()
                 ? "right throughout"
                 : "wrong " + hours(d.readings[i].comparison.wrong_seconds) + " hours in " +
                       std::to_string(wrong.size()) + (wrong.size() == 1 ? " stretch" : " stretches") +
                       (wrong.size() > kStretches ? " (the first " + std::to_string(kStretches) + " drawn)" : ""));
        for (size_t k = 0; k < wrong.size() && k < kStretches; ++k) {
            const Difference &w = wrong[k];
            lane.wrong.push_back({w.utc, w.until,
                                  minute_text(w.utc) + " to " + minute_text(w.until) +
                                      " UTC: " + utc_offset_text(w.got.offset) + " where the place is " +
                                      utc_offset_text(w.expected.offset)});
        }
        p.title += "; " + p.lines.back().label + ", " + lane.label.substr(joined(who).size() + 2);
        p.lanes.push_back(std::move(lane));
    }
    return p;
}

// What is sent, as each library reads it: each span's record over its span,
// in turn; none where a span sends nothing.
std::vector<LibraryComparison> sent_readings(const ScheduleSpans &spans) {
    std::vector<LibraryComparison> out;
    if (spans.empty() || !std::all_of(spans.begin(), spans.end(), [](const Judgement *s) { return sendable(*s); }))
        return out;
    for (const Judgement *s : spans) {
        for (const LibraryComparison &l : s->tz_comparisons) {
            auto it = std::find_if(out.begin(), out.end(),
                                   [&](const LibraryComparison &o) { return o.library == l.library; });
            if (it == out.end()) it = out.insert(out.end(), {l.library, {}});
            Comparison &joined = it->comparison;
            joined.differences.insert(joined.differences.end(), l.comparison.differences.begin(),
                                      l.comparison.differences.end());
            joined.wrong_seconds += l.comparison.wrong_seconds;
        }
    }
    return out;
}

std::string figure(const TimelinePicture &p, const std::string &caption) {
    return "<figure>" + timeline_svg(p) + "<figcaption>" + esc(caption) + "</figcaption></figure>\n";
}

// What a setting holds, in words.
std::string held(const FleetSetting &s) { return s.tz.empty() ? "record " + describe(s.record) : "TZ string " + s.tz; }

}  // namespace

bool write_audit_html(const std::string &file, const AuditPage &page, std::string &why) {
    const FleetAudit &audit = *page.audit;
    const std::vector<FleetSetting> &settings = *page.settings;
    const std::vector<size_t> &devices = *page.devices;
    // The wrong settings, most urgent first: the earliest wrong, then the most devices.
    std::vector<size_t> wrong;
    for (size_t i = 0; i < settings.size(); ++i) {
        if (audit.settings[i].wrong()) wrong.push_back(i);
    }
    std::stable_sort(wrong.begin(), wrong.end(), [&](size_t a, size_t b) {
        const int64_t x = audit.settings[a].wrong_from, y = audit.settings[b].wrong_from;
        return x != y ? x < y : devices[a] > devices[b];
    });
    const size_t drawn = std::min(wrong.size(), kDrawn);
    std::vector<size_t> drawn_at(settings.size(), SIZE_MAX);
    for (size_t k = 0; k < drawn; ++k) drawn_at[wrong[k]] = k;

    // One pass over the rows: the names of the drawn settings' devices, and
    // the rows that cannot be checked.
    std::vector<std::vector<AuditPageRow>> names(drawn);
    std::vector<AuditPageRow> unchecked;
    size_t unchecked_count = 0;
    for (AuditPageRow row; page.next_row(row);) {
        if (row.setting == SIZE_MAX || !audit.settings[row.setting].judged()) {
            if (row.setting != SIZE_MAX) row.invalid = audit.settings[row.setting].invalid;
            if (unchecked_count++ < kUnchecked) unchecked.push_back(row);
        } else if (drawn_at[row.setting] != SIZE_MAX && names[drawn_at[row.setting]].size() < kNames) {
            names[drawn_at[row.setting]].push_back(row);
        }
    }

    // The drawn settings' timelines, each read by the libraries that judged it.
    const TzDatabase db = tz_database(page.tzdir);
    std::vector<std::vector<CLibrary>> own(drawn);
    std::vector<TimelineQuestion> questions(drawn);
    for (size_t k = 0; k < drawn; ++k) {
        const FleetSetting &s = settings[wrong[k]];
        (void)row_libraries(s.libc, audit.libraries, own[k]);
        questions[k] = {&db, s.place, s.tz, s.tz.empty(), s.record, &own[k]};
    }
    std::vector<DrawnTimeline> timelines;
    if (!draw_timelines(audit.window, audit.libraries, questions, timelines, why)) return false;

    std::string h = head("Fleet audit: " + page.fleet);
    size_t total = 0;
    for (const auto &[word, n] : page.totals) total += n;
    h += facts({{"fleet file", page.fleet},
                {"devices", std::to_string(total)},
                {"tz database", audit.tzdata},
                {"window", audit.window.text()},
                {"read by", page.read_by}});
    h += "<div class=\"counts\" id=\"counts\">";
    for (const auto &[word, n] : page.totals) {
        const std::string w = word;
        h += count_box(w, n, w == "differs" || w == "unrepresentable" || w == "invalid" ? "bad" : "good");
    }
    h += "</div>\n";
    if (wrong.empty()) {
        h += "<p class=\"first\" id=\"first-wrong\">No device goes wrong in the window.</p>\n";
    } else {
        const int64_t first = audit.settings[wrong.front()].wrong_from;
        size_t by_then = 0, wrong_devices = 0;
        for (const size_t i : wrong) {
            wrong_devices += devices[i];
            by_then += audit.settings[i].wrong_from <= first ? devices[i] : 0;
        }
        h += "<p class=\"first\" id=\"first-wrong\" data-devices=\"" + std::to_string(by_then) + "\">" +
             (first == Judgement::kNever ? "Devices wrong without a first instant: "
                                         : "The first device goes wrong at " + when(first) + ": ") +
             std::to_string(by_then) + " of " + std::to_string(total) + " devices by then, " +
             std::to_string(wrong_devices) + " in the window.</p>\n";
    }

    h += "<h2>What to do, most urgent first</h2>\n";
    if (wrong.empty()) h += "<p>Nothing to send: no device is wrong in the window.</p>\n";
    for (size_t k = 0; k < drawn; ++k) {
        const size_t i = wrong[k];
        const SettingVerdict &v = audit.settings[i];
        const FleetSetting &s = settings[i];
        h += "<article class=\"setting\" id=\"setting-" + std::to_string(k + 1) + "\" data-devices=\"" +
             std::to_string(devices[i]) + "\"><h3>" + std::to_string(k + 1) + ". " + esc(s.place) + ": " +
             esc(held(s)) + "</h3>\n";
        h += facts({{"devices", std::to_string(devices[i])},
                    {"verdict", verdict_name(v.verdict)},
                    {"read by", v.libraries.empty() ? page.read_by : joined(v.libraries)}});
        h += "<p>Wrong from " + when(v.wrong_from) + ", " + hours(v.wrong_seconds) +
             " hours of wrong local time in the window.</p>\n<h4>Why</h4>\n" + reasons_list(v.reasons) +
             "<h4>What to send</h4>\n" + send_text(page.send(i));
        if (timelines[k].ok) {
            h += figure(picture_of(timelines[k], audit.window, s.place + " in " + audit.tzdata, "the device's setting",
                                   "hatch-" + std::to_string(k + 1)),
                        "The solid line is the place's UTC offset, each dashed line the device's reading; the "
                        "hatched stretches are where the device shows a wrong local time.");
        }
        h += "<details><summary>" + std::to_string(devices[i]) + " device" + (devices[i] == 1 ? "" : "s") +
             "</summary><ul class=\"names\">";
        for (const AuditPageRow &row : names[k])
            h += "<li>" + esc(row.device) + " (line " + std::to_string(row.line) + ")</li>";
        if (devices[i] > names[k].size()) {
            h += "<li>and " + std::to_string(devices[i] - names[k].size()) +
                 " more; the full list is the CSV output (--csv)</li>";
        }
        h += "</ul></details></article>\n";
    }
    if (wrong.size() > drawn) {
        h += "<h3>The other wrong settings</h3>\n<table id=\"more-settings\"><tr><th>place</th><th>setting</th>"
             "<th>devices</th><th>wrong from</th><th>hours wrong</th><th>what to send</th></tr>\n";
        for (size_t k = drawn; k < wrong.size() && k < drawn + kTabled; ++k) {
            const size_t i = wrong[k];
            const SettingVerdict &v = audit.settings[i];
            h += "<tr><td>" + esc(settings[i].place) + "</td><td>" + esc(held(settings[i])) + "</td><td class=\"n\">" +
                 std::to_string(devices[i]) + "</td><td>" + when(v.wrong_from) + "</td><td class=\"n\">" +
                 hours(v.wrong_seconds) + "</td><td>" + send_text(page.send(i)) + "</td></tr>\n";
        }
        h += "</table>\n";
        if (wrong.size() > drawn + kTabled)
            h += "<p>and " + std::to_string(wrong.size() - drawn - kTabled) +
                 " more wrong settings; the CSV output lists every device.</p>\n";
    }

    if (unchecked_count > 0) {
        h += "<h2>Rows that cannot be checked</h2>\n<ul id=\"unchecked\">";
        for (const AuditPageRow &row : unchecked) {
            h += "<li>line " + std::to_string(row.line) + ": " + esc(row.device.empty() ? "-" : row.device) + ", " +
                 esc(row.place.empty() ? "-" : row.place) + ": " + esc(row.invalid) + "</li>";
        }
        if (unchecked_count > unchecked.size())
            h += "<li>and " + std::to_string(unchecked_count - unchecked.size()) + " more (the CSV lists them)</li>";
        h += "</ul>\n";
    }

    h += "<h2>Devices per place</h2>\n<table id=\"per-place\"><tr><th>place</th>";
    for (const auto &[word, n] : page.totals) h += std::string("<th>") + word + "</th>";
    h += "</tr>\n";
    size_t rows = 0;
    for (const auto &[place, per] : *page.per_place) {
        if (rows++ == kPlaces) break;
        h += "<tr><td>" + esc(place.empty() ? "-" : place) + "</td>";
        for (const size_t n : per) h += "<td class=\"n\">" + std::to_string(n) + "</td>";
        h += "</tr>\n";
    }
    h += "</table>\n";
    if (page.per_place->size() > kPlaces)
        h += "<p>and " + std::to_string(page.per_place->size() - kPlaces) +
             " more places (the JSON summary lists them).</p>\n";
    return finish(file, h,
                  "The page lists at most " + std::to_string(kNames) + " devices a setting and draws the " +
                      std::to_string(kDrawn) + " most urgent; the CSV output lists every device.",
                  why);
}

bool write_diff_html(const std::string &file, const ReleaseDiff &diff, const std::vector<std::string> &folders,
                     const std::string &read_by, const std::function<Advice(const PlaceDiff &)> &send,
                     std::string &why) {
    const TzDatabase old_db = tz_database(folders[0]), new_db = tz_database(folders[1]);
    // Each drawn place as the old release has it (with its string) and as
    // the new one has it, with the old string read against it.
    const size_t drawn = std::min(diff.places.size(), kDrawn);
    std::vector<TimelineQuestion> questions;
    for (size_t k = 0; k < drawn; ++k) {
        const PlaceDiff &d = diff.places[k];
        const std::string &tz = d.old_side.present ? d.old_side.check.tz : std::string();
        questions.push_back({&old_db, d.old_side.present ? d.place : std::string(), tz, false, {}, nullptr});
        questions.push_back({&new_db, d.new_side.present ? d.place : std::string(), tz, false, {}, nullptr});
    }
    std::vector<DrawnTimeline> timelines;
    if (!draw_timelines(diff.window, diff.libraries, questions, timelines, why)) return false;

    std::string h = head("tz database " + diff.old_version + " to " + diff.new_version);
    h += facts({{"old release", diff.old_version + " in " + folders[0]},
                {"new release", diff.new_version + " in " + folders[1]},
                {"window", diff.window.text()},
                {"read by", read_by}});
    size_t by_change[5] = {}, going_wrong = 0, by_then = 0;
    for (const PlaceDiff &d : diff.places) {
        ++by_change[static_cast<size_t>(d.change)];
        going_wrong += d.goes_wrong() ? 1U : 0U;
        by_then += d.goes_wrong() && d.wrong_from == diff.places.front().wrong_from ? 1U : 0U;
    }
    h += "<div class=\"counts\" id=\"counts\">" + count_box("changed", diff.places.size(), "") +
         count_box("wrong", going_wrong, "bad");
    for (size_t c = 0; c < 5; ++c) h += count_box(change_name(static_cast<ReleaseChange>(c)), by_change[c], "");
    h += "</div>\n";
    h += going_wrong == 0 ? std::string("<p class=\"first\" id=\"first-wrong\">No old TZ string goes wrong.</p>\n")
                          : "<p class=\"first\" id=\"first-wrong\" data-places=\"" + std::to_string(by_then) +
                                "\">The first old TZ string goes wrong at " + when(diff.places.front().wrong_from) +
                                ": " + std::to_string(by_then) + " of " + std::to_string(going_wrong) +
                                " places going wrong by then.</p>\n";
    h += "<h2>What changed, most urgent first</h2>\n";
    for (size_t k = 0; k < diff.places.size(); ++k) {
        const PlaceDiff &d = diff.places[k];
        h += "<article class=\"place\" id=\"place-" + std::to_string(k + 1) + "\"><h3>" + std::to_string(k + 1) + ". " +
             esc(d.place) + ": " + change_name(d.change) + "</h3>\n";
        Facts rows;
        if (!d.also.empty()) rows.emplace_back("also", joined(d.also));
        for (const auto &[label, side] :
             {std::make_pair(diff.old_version, &d.old_side), std::make_pair(diff.new_version, &d.new_side)}) {
            const Judgement &c = side->check;
            rows.emplace_back(
                label == diff.old_version ? "old" : "new",
                label + ": " +
                    (!side->present ? std::string("no such zone")
                     : c.tz.empty() ? "no record" + (c.reasons.empty() ? "" : " (" + c.reasons.front().text + ")")
                                    : c.tz + " (" + verdict_name(c.tz_verdict) + ")"));
        }
        h += facts(rows);
        if (d.goes_wrong()) {
            h += "<p>The old TZ string goes wrong from " + when(d.wrong_from) + ": " + hours(d.wrong_seconds) +
                 " hours of wrong local time in the window.</p>\n";
        }
        // What to send the place's devices, where the diff advises it.
        const Advice advice = send(d);
        const ScheduleSpans &spans = advice.spans;
        h += "<h4>What to send</h4>\n" +
             (!spans.empty() || d.goes_wrong() ? send_text(advice)
              : d.old_tz()                     ? std::string("<p>Nothing: the old TZ string stays right.</p>\n")
                           : std::string("<p>Nothing: neither release gives a record to send.</p>\n"));
        if (k < drawn) {
            // The old release's place, the new one's, and the old string against the new.
            const DrawnTimeline &was = timelines[2 * k], &now = timelines[2 * k + 1];
            const std::string old_label = d.place + " in " + diff.old_version;
            TimelinePicture p = picture_of(now, diff.window, d.place + " in " + diff.new_version, "the old TZ string",
                                           "hatch-" + std::to_string(k + 1));
            if (!now.ok) {
                p.lines.clear();
                p.lanes.clear();
            }
            if (was.ok) {
                p.lines.insert(p.lines.begin() + (p.lines.empty() ? 0 : 1), {old_label, steps_of(was.place)});
                p.title += "; the UTC offset of " + old_label;
            }
            h += figure(p,
                        "The solid line is the place in the new release; the first dashed line the place in "
                        "the old release; the others the old release's TZ string as each library reads it "
                        "against the new release, hatched where it gives a wrong local time.");
        }
        h += "</article>\n";
    }
    return finish(
        file, h,
        diff.places.size() > kDrawn ? "The page draws the " + std::to_string(kDrawn) + " most urgent places." : "",
        why);
}

bool write_place_html(const std::string &file, const PlacePage &page, std::string &why) {
    const Judgement &c = *page.judged;
    const ScheduleSpans &spans = page.advice.spans;
    std::string h = head("Place " + c.place + " in tz database " + c.tzdata);
    h += facts({{"place", c.place},
                {"tz database", c.tzdata},
                {"window", c.window.text()},
                {"read by", page.read_by},
                {"place's rule", c.rule_line.empty() ? "(none)" : c.rule_line}});
    // What is sent first, coloured as the exit status goes; then, small, the
    // verdicts of the one record for the whole window, which a schedule may
    // stand in for.
    const auto approximate = [](const Judgement *s) { return !s->approximate.empty(); };
    const bool exact =
        std::all_of(spans.begin(), spans.end(), [](const Judgement *s) { return s->tz_verdict == Verdict::kExact; });
    int64_t cost = 0;
    for (const Judgement *s : spans) cost += approximate(s) ? s->wrong_seconds : 0;
    const std::string records = std::to_string(spans.size()) + (spans.size() == 1 ? " record" : " records in turn");
    const bool near = std::any_of(spans.begin(), spans.end(), approximate);
    const char *word = page.right ? (exact ? "exact" : "offsets") : near ? "approximate" : "no record";
    const std::string label = page.right ? "send " + records
                              : near     ? "send " + records + ", the nearest " + hours(cost) + " hours wrong"
                                         : "no record expresses the place";
    h += "<div class=\"counts\" id=\"counts\">";
    append_markup(h, {"<div class=\"count ", page.right ? "good" : "bad", "\" id=\"outcome\" data-outcome=\"",
                      page.right ? "right" : "wrong", "\"><span class=\"n\">", word, "</span>", label, "</div>"});
    for (const auto &[kind, verdict] : {std::make_pair("tz", c.tz_verdict), std::make_pair("zic", c.zic_verdict)}) {
        const std::string n = verdict_name(verdict);
        append_markup(h, {"<div class=\"count minor\" id=\"verdict-", kind, "\" data-verdict=\"", n,
                          "\"><span class=\"n\">", n, "</span>one record's ", kind, " verdict</div>"});
    }
    h += "</div>\n";
    if (c.has_wrong_from())
        h += "<p class=\"first\">Wrong from " + when(c.wrong_from) + ", " + hours(c.wrong_seconds) +
             " hours of wrong local time in the window.</p>\n";
    h += "<h2>What to send</h2>\n";
    if (c.has_record)
        h += "<p>The record: " + esc(describe(c.record)) + "; its TZ string <code>" + esc(c.tz) + "</code>.</p>\n";
    if (!c.zic.empty()) h += "<p>Its zic text:</p><pre>" + esc(c.zic) + "</pre>\n";
    h += send_text(page.advice) + "<h2>Why</h2>\n" + reasons_list(c.reasons);
    DrawnTimeline d;
    d.ok = true;
    d.place = page.timeline;
    d.readings = sent_readings(spans);
    const std::string what = spans.size() == 1 ? "the record sent" : "the records sent in turn";
    h += figure(picture_of(d, c.window, c.place + " in " + c.tzdata, what, "hatch-1"),
                d.readings.empty() ? "The line is the place's UTC offset; no record is sent, so none is drawn."
                                   : "The solid line is the place's UTC offset, the dashed line " + what +
                                         " as the C libraries read it (one a reading); the hatched stretches are "
                                         "where it gives a wrong local time.");
    return finish(file, h, "", why);
}

}  // namespace qeltz
