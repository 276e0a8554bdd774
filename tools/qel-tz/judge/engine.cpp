// SPDX-License-Identifier: MIT
#include "judge/engine.hpp"

#include <algorithm>

#include "formats/posix_tz.hpp"
#include "formats/time_text.hpp"
#include "judge/derive.hpp"
#include "system/library_readings.hpp"
#include "system/process.hpp"
#include "system/zic_runner.hpp"

namespace qeltz {

namespace {

bool worse(Verdict a, Verdict b) { return static_cast<int>(a) > static_cast<int>(b); }

// The record's TZ string and zic text, as the device library writes them.
void write_texts(Judgement &j) {
    char text[1024];
    if (qel_tzset_to_tzstr(&j.record, text, sizeof text) != QEL_OK) {
        j.reasons.push_back({ReasonKind::kDeviceRefusesRecord, "the device library refuses the record"});
        return;
    }
    j.tz = text;
    if (qel_tzset_to_zicstr(&j.record, text, sizeof text) != QEL_OK) {
        j.reasons.push_back({ReasonKind::kNoZicText, "the device library writes no zic text for the record"});
        return;
    }
    j.zic = text;
}

bool is_posix(const std::string &tz) {
    PosixTz parsed;
    std::string why;
    return parse_posix_tz(tz, parsed, why);
}

// What differs besides the offsets, each as the libraries that see it have
// it: "TZ string: ..." where all do, else "TZ string as musl 1.2.3 reads it: ...".
void add_notes(const std::vector<LibraryComparison> &read, std::vector<Reason> &reasons) {
    std::vector<std::pair<Reason, std::vector<std::string>>> notes;  // each note with who has it
    for (const LibraryComparison &r : read) {
        for (const Reason &n : r.comparison.notes) {
            auto at = std::find_if(notes.begin(), notes.end(), [&](const auto &x) { return x.first.text == n.text; });
            if (at == notes.end()) at = notes.insert(notes.end(), {n, {}});
            at->second.push_back(r.library);
        }
    }
    for (const auto &[note, who] : notes) {
        std::string by;
        for (const std::string &library : who) by += (by.empty() ? "" : ", ") + library;
        reasons.push_back(
            {note.kind,
             (who.size() == read.size() ? "TZ string: " : "TZ string as " + by + " reads it: ") + note.text});
    }
}

// Where a rule of the string has no time and the device library read it as
// another than the 02:00 POSIX and the C libraries take.
void add_rule_time_reason(const std::string &tz, const qel_tzset &record, std::vector<Reason> &reasons) {
    PosixTz parsed;
    std::string why;
    if (!parse_posix_tz(tz, parsed, why) || !parsed.has_rules) return;
    std::string rules;
    for (const auto &[rule, read] :
         {std::make_pair(&parsed.start, &record.start), std::make_pair(&parsed.end, &record.end)}) {
        const int32_t seconds = read->hour * 3600 + read->minute * 60 + read->second;
        if (!rule->time_given && seconds != rule->time) {
            const std::string text = rule_text(*rule);  // "M3.5.0/02:00:00"
            rules += (rules.empty() ? "" : " and ") + text.substr(0, text.find('/')) + " as " +
                     date_time_text(seconds).substr(11, 5);
        }
    }
    if (!rules.empty()) {
        reasons.push_back({ReasonKind::kOmittedRuleTime,
                           "a rule without a time: the device library (qel_tzstr_to_tzset) reads " + rules +
                               ", where POSIX and the C libraries read 02:00; a device that keeps the record it "
                               "reads changes at another hour than its C library"});
    }
}

}  // namespace

void judge_over_libraries(Judgement &j) {
    j.tz_verdict = Verdict::kExact;
    j.wrong_from = Judgement::kNever;
    j.wrong_seconds = 0;
    for (const LibraryComparison &read : j.tz_comparisons) {
        const Comparison &c = read.comparison;
        if (worse(c.verdict, j.tz_verdict)) j.tz_verdict = c.verdict;
        if (!c.differences.empty()) j.wrong_from = std::min(j.wrong_from, c.differences.front().utc);
        j.wrong_seconds = std::max(j.wrong_seconds, c.wrong_seconds);
    }
}

Engine::Engine(Window window, std::vector<CLibrary> libraries) : window_(window), libraries_(std::move(libraries)) {
    const std::vector<CLibrary> all = c_libraries();
    const CLibrary *own = find_library(all, "glibc");
    if (own != nullptr) host_ = *own;
}

size_t Engine::place(const TzDatabase &db, const std::string &name) {
    for (size_t i = 0; i < places_.size(); ++i) {
        if (places_[i].place.name == name && places_[i].place.tzdata == db.version && places_[i].db == db.dir) return i;
    }
    places_.push_back({load_place(db, name), {}, db.dir});
    return places_.size() - 1;
}

size_t Engine::add(size_t place, Judgement j, Ask ask) {
    const Place &p = places_[place].place;
    const std::vector<CLibrary> &libraries = ask.libraries != nullptr ? *ask.libraries : libraries_;
    const Window within = ask.within.from < ask.within.to ? ask.within : window_;
    j.place = p.name;
    j.tzdata = p.tzdata;
    j.window = within;
    j.rule_line = p.zone.rule_line;
    for (const CLibrary &library : libraries) j.libraries.push_back(library.label());
    if (!p.ok) {
        j.reasons.insert(j.reasons.begin(), p.problem);
        j.tz.clear();
        j.zic.clear();
    }
    Item item;
    item.place = place;
    item.zic = ask.zic;
    item.within = within;
    item.libraries = libraries;
    item.judgement = std::move(j);
    items_.push_back(std::move(item));
    return items_.size() - 1;
}

size_t Engine::derived(size_t place, Ask ask) {
    const Place &p = places_[place].place;
    const Window within = ask.within.from < ask.within.to ? ask.within : window_;
    return derivation(place, p.ok ? derive_place(p.zone, within) : Derivation{}, ask);
}

size_t Engine::derivation(size_t place, const Derivation &d, Ask ask) {
    Judgement j;
    const Place &p = places_[place].place;
    const Window within = ask.within.from < ask.within.to ? ask.within : window_;
    if (p.ok) {
        if (!d.representable) {
            j.reasons = d.reasons;
        } else {
            j.reasons = d.rewrites;
            j.has_record = true;
            j.record = d.record;
            j.valid_through = d.valid_through;
            j.approximate = d.approximate;
            write_texts(j);
        }
    }
    const bool whole = within.from == window_.from && within.to == window_.to;
    const size_t i = add(place, std::move(j), ask);
    // An approximate span's devices may be given the place's own rule line
    // instead, where every library reads it as glibc does.
    items_[i].derived = whole || d.rule_line_holds;
    return i;
}

size_t Engine::record(size_t place, const qel_tzset &record, Ask ask) {
    Judgement j;
    j.has_record = true;
    j.record = record;
    write_texts(j);
    return add(place, std::move(j), ask);
}

size_t Engine::tz_string(size_t place, const std::string &tz, Ask ask) {
    Judgement j;
    j.tz = tz;
    j.tz_given = true;
    j.tz_read_status = qel_tzstr_to_tzset(tz.c_str(), &j.record);
    if (j.tz_read_status == QEL_OK) {
        j.has_record = true;
        add_rule_time_reason(tz, j.record, j.reasons);
        char text[1024];
        if (qel_tzset_to_zicstr(&j.record, text, sizeof text) == QEL_OK) j.zic = text;
    } else {
        j.record = qel_tzset{};
        j.reasons.push_back({ReasonKind::kDeviceRefusesString, "the device library refuses this string (" +
                                                                   std::to_string(j.tz_read_status) +
                                                                   "): no record and no zic text"});
    }
    return add(place, std::move(j), ask);
}

bool Engine::run(std::string &error, const Progress &progress) {
    if (host_.name.empty()) {
        error = "this qel-tz has no reader for the C library it runs on";
        return false;
    }
    // Every zic text in one zic run.
    ZicWorkspace zic;
    std::vector<std::string> texts;
    for (const Item &item : items_) {
        if (item.zic && !item.judgement.zic.empty()) texts.push_back(item.judgement.zic);
    }
    if (progress && !texts.empty()) progress("compiling the zic texts");
    if (zic.usable()) zic.compile_all(texts);
    TzReadings readings(window_);
    for (const PlaceState &p : places_) {
        if (p.place.ok && is_posix(p.place.zone.rule_line)) readings.want(host_, p.place.zone.rule_line);
    }
    for (Item &item : items_) {
        Judgement &j = item.judgement;
        if (!item.zic) {
            // not asked for
        } else if (!j.zic.empty() && !zic.usable()) {
            j.reasons.push_back({ReasonKind::kZicNotChecked, "zic text not checked: zic or zdump is not installed"});
        } else if (!j.zic.empty()) {
            std::string said, bytes, why;
            item.zic_path = zic.compile(j.zic, &said);
            if (item.zic_path.empty()) {
                j.reasons.push_back({ReasonKind::kZicRefuses, "zic refuses the zic text: " + said});
            } else if (!read_file(item.zic_path, bytes) || !parse_tzif(bytes, item.zic_zone, why)) {
                j.reasons.push_back({ReasonKind::kZicRefuses, "zic's output cannot be read: " + why});
                item.zic_path.clear();
            } else if (is_posix(item.zic_zone.rule_line)) {
                readings.want(host_, item.zic_zone.rule_line);
            }
        }
        if (!j.tz.empty()) {
            for (const CLibrary &library : item.libraries) readings.want(library, j.tz);
        }
        const std::string &rule_line = places_[item.place].place.zone.rule_line;
        if (item.derived && places_[item.place].place.ok && is_posix(rule_line)) {
            for (const CLibrary &library : libraries_) readings.want(library, rule_line);
        }
    }
    if (!readings.read(error, progress)) return false;
    // The places' local time: their tables, their rule lines as glibc reads them.
    const auto rule_line = [&](const TzifZone &zone) -> const std::vector<Span> * {
        const TzReading *r = readings.find(host_, zone.rule_line);
        return r != nullptr && r->refused.empty() ? &r->spans : nullptr;
    };
    for (PlaceState &p : places_) {
        if (p.place.ok) p.timeline = zone_local_time(p.place.zone, window_, rule_line(p.place.zone));
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        if (progress && i % 64 == 0) {
            progress(std::to_string(i + 1) + " of " + std::to_string(items_.size()) +
                     " compared: " + items_[i].judgement.place);
        }
        if (places_[items_[i].place].place.ok) verify(items_[i], readings);
    }
    return true;
}

void Engine::verify(Item &item, const TzReadings &readings) {
    const std::vector<Span> place = spans_from(places_[item.place].timeline, item.within.from);
    Judgement &j = item.judgement;
    const int64_t to = item.within.to;
    const auto within = [&item](const std::vector<Span> &spans) { return spans_from(spans, item.within.from); };

    // The TZ string, as each library reads it: the verdict is the worst, the
    // wrong time the earliest and the longest any library gives.
    if (!j.tz.empty()) {
        j.tz_verdict = Verdict::kExact;
        for (const CLibrary &library : item.libraries) {
            const TzReading *r = readings.find(library, j.tz);
            LibraryComparison read{library.label(), {}};
            if (r == nullptr || !r->refused.empty()) {
                read.comparison.verdict = Verdict::kDiffers;
                j.reasons.push_back({ReasonKind::kNotRead, "TZ string not handed to " + library.label() +
                                                               "'s reader (" +
                                                               (r != nullptr ? r->refused : "not read") + ")"});
            } else {
                read.comparison = compare_timelines(place, within(r->spans), to);
                explain_differences(read.comparison, item.within.from, to);
            }
            j.tz_comparisons.push_back(std::move(read));
        }
        judge_over_libraries(j);
        add_notes(j.tz_comparisons, j.reasons);
        std::string verdicts;
        bool disagree = false;
        for (const LibraryComparison &read : j.tz_comparisons) {
            verdicts += (verdicts.empty() ? "" : ", ") + read.library + " " + verdict_name(read.comparison.verdict);
            disagree = disagree || read.comparison.verdict != j.tz_verdict;
        }
        if (disagree) {
            j.reasons.push_back(
                {ReasonKind::kLibrariesDisagree, "the C libraries read the TZ string otherwise: " + verdicts});
        }
        // A string whose meaning the libraries choose: the verdict is that of
        // the libraries judged; others may read it otherwise, which is said.
        for (const LibraryChoice &choice : library_choices(j.tz)) j.reasons.push_back({choice.kind, choice.text});
        // What the libraries judged are known to misread, where they do.
        for (Reason &misread : library_misreadings(j.tz, item.libraries)) {
            const bool seen = std::any_of(j.tz_comparisons.begin(), j.tz_comparisons.end(), [&](const auto &read) {
                return misread.text.rfind(read.library, 0) == 0 && read.comparison.verdict == Verdict::kDiffers;
            });
            if (seen) j.reasons.push_back(std::move(misread));
        }
    }

    // The place's own rule line, as each library reads it against glibc's
    // reading, which is what the tz database means by it.
    const TzReading *own = item.derived ? readings.find(host_, j.rule_line) : nullptr;
    if (own != nullptr && own->refused.empty()) {
        for (const CLibrary &library : libraries_) {
            const TzReading *r = readings.find(library, j.rule_line);
            const Verdict v = r != nullptr && r->refused.empty() ? compare_timelines(own->spans, r->spans, to).verdict
                                                                 : Verdict::kDiffers;
            j.rule_line_verdicts.emplace_back(library.label(), v);
        }
    }

    // zic's output, from its table and its rule line as glibc reads it.
    if (!item.zic_path.empty()) {
        const TzReading *r = readings.find(host_, item.zic_zone.rule_line);
        j.zic_library = host_.label();
        j.zic_comparison = compare_timelines(
            place,
            within(zone_local_time(item.zic_zone, window_, r != nullptr && r->refused.empty() ? &r->spans : nullptr)),
            to);
        j.zic_verdict = j.zic_comparison.verdict;
        explain_differences(j.zic_comparison, item.within.from, to);
        for (const Reason &n : j.zic_comparison.notes) {
            const ReasonKind kind = n.kind == ReasonKind::kWrongOffset    ? ReasonKind::kZicWrongOffset
                                    : n.kind == ReasonKind::kAbbreviation ? ReasonKind::kZicAbbreviation
                                                                          : ReasonKind::kZicDaylightFlag;
            j.reasons.push_back({kind, "zic text: " + n.text});
        }
        const bool week5 = j.record.dst_on != 0 && (j.record.start.week == 5 || j.record.end.week == 5);
        if (j.zic_verdict == Verdict::kDiffers && j.tz_verdict != Verdict::kDiffers && week5) {
            j.reasons.push_back(
                {ReasonKind::kZicWeek5,
                 "zic text: week 5 is written \"on or after the 29th\", which zic reads as the first such weekday "
                 "from the 29th on, not the last of the month; in years whose last such weekday falls before the "
                 "29th the zic text changes a week later, in the next month, while the TZ string keeps the last "
                 "one"});
        } else if (j.tz_given && j.zic_verdict == Verdict::kDiffers && j.tz_verdict != Verdict::kDiffers) {
            // The C libraries read the string right, but the device library
            // reads another timezone from it (a daylight name without an
            // offset, say): a device that keeps the record goes wrong.
            j.reasons.push_back({ReasonKind::kDeviceReadsOtherwise,
                                 "the device library reads this string as another timezone than the C libraries do: "
                                 "the record it reads (and the zic text written from it) differs from the place"});
        }
    }
}

}  // namespace qeltz
