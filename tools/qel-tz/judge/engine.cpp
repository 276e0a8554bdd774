// SPDX-License-Identifier: MIT
#include "judge/engine.hpp"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "formats/posix_tz.hpp"
#include "formats/time_text.hpp"
#include "judge/advice.hpp"
#include "judge/derive.hpp"
#include "system/library_readings.hpp"
#include "system/process.hpp"

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

void fold_wrong(const std::vector<Difference> &differences, int64_t &wrong_from, int64_t &wrong_seconds) {
    int64_t seconds = 0;
    for (const Difference &d : differences) seconds += d.until - d.utc;
    if (!differences.empty()) wrong_from = std::min(wrong_from, differences.front().utc);
    wrong_seconds = std::max(wrong_seconds, seconds);
}

void judge_over_libraries(Judgement &j) {
    j.tz_verdict = Verdict::kExact;
    j.wrong_from = Judgement::kNever;
    j.wrong_seconds = 0;
    for (const LibraryComparison &read : j.tz_comparisons) {
        if (worse(read.comparison.verdict, j.tz_verdict)) j.tz_verdict = read.comparison.verdict;
        fold_wrong(read.comparison.differences, j.wrong_from, j.wrong_seconds);
    }
}

Engine::Engine(Window window, std::vector<CLibrary> libraries, const Consumers *consumers)
    : window_(window), libraries_(std::move(libraries)), consumers_(consumers != nullptr ? consumers : &system_) {
    const std::vector<CLibrary> all = c_libraries();
    const CLibrary *own = find_library(all, "glibc");
    if (own != nullptr) host_ = *own;
}

size_t Engine::place(const TzDatabase &db, const std::string &name) {
    const auto [first, last] = place_index_.equal_range(name);
    for (auto at = first; at != last; ++at) {
        const PlaceState &p = places_[at->second];
        if (p.place.tzdata == db.version && p.db == db.dir) return at->second;
    }
    place_index_.emplace(name, places_.size());
    places_.push_back({load_place(db, name), {}, db.dir});
    return places_.size() - 1;
}

size_t Engine::place(Place place) {
    places_.push_back({std::move(place), {}, ""});
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
    // The engine's own libraries' labels, made once (a fleet's row names
    // its libraries, most often the engine's).
    const bool own = std::equal(libraries.begin(), libraries.end(), libraries_.begin(), libraries_.end(),
                                [](const CLibrary &a, const CLibrary &b) { return a.name == b.name; });
    if (own && labels_.size() != libraries_.size()) {
        for (const CLibrary &library : libraries_) labels_.push_back(library.label());
    }
    for (size_t k = 0; k < libraries.size(); ++k) j.libraries.push_back(own ? labels_[k] : libraries[k].label());
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
        j.reasons.push_back({ReasonKind::kDeviceRefusesString,
                             kind_meaning(ReasonKind::kDeviceRefusesString) + std::string(" (no zic text either)")});
    }
    return add(place, std::move(j), ask);
}

namespace {

bool overlaps(Window a, Window b) { return a.from < b.to && b.from < a.to; }

// The rule line's local time as glibc read it, or null where it did not.
const std::vector<Span> *read_rule_line(const TzReadings &readings, const CLibrary &host, const TzifZone &zone) {
    const TzReading *r = readings.find(host, zone.rule_line);
    return r != nullptr && r->refused.empty() ? &r->spans : nullptr;
}

}  // namespace

void Engine::compile_zic_texts(const Progress &progress) {
    std::vector<std::string> texts;  // each once
    std::unordered_map<std::string, size_t> index;
    for (const Item &item : items_) {
        const std::string &zic = item.judgement.zic;
        if (item.zic && !zic.empty() && index.emplace(zic, texts.size()).second) texts.push_back(zic);
    }
    if (texts.empty()) return;
    if (progress) progress("compiling the zic texts");
    std::vector<ZicCompiled> compiled;
    const bool usable = consumers_->compile_zic(texts, compiled);
    std::vector<size_t> zone_of(texts.size(), SIZE_MAX);  // into zic_zones_
    for (size_t t = 0; usable && t < texts.size(); ++t) {
        if (compiled[t].fate != ZicCompiled::kCompiled) continue;
        zone_of[t] = zic_zones_.size();
        zic_zones_.push_back(std::move(compiled[t].zone));
    }
    for (Item &item : items_) {
        Judgement &j = item.judgement;
        if (!item.zic || j.zic.empty()) continue;
        if (!usable) {
            j.reasons.push_back({ReasonKind::kZicNotChecked, "zic text not checked: zic or zdump is not installed"});
            continue;
        }
        const size_t t = index[j.zic];
        item.zic_zone = zone_of[t];
        if (compiled[t].fate == ZicCompiled::kRefused) {
            j.reasons.push_back({ReasonKind::kZicRefuses, "zic refuses the zic text: " + compiled[t].said});
        } else if (compiled[t].fate == ZicCompiled::kUnreadable) {
            j.reasons.push_back({ReasonKind::kZicRefuses, "zic's output cannot be read: " + compiled[t].said});
        }
    }
}

bool Engine::run(std::string &error, const Progress &progress) {
    if (host_.name.empty()) {
        error = "this qel-tz has no reader for the C library it runs on";
        return false;
    }
    compile_zic_texts(progress);
    for (Item &item : items_) {
        item.tz.assign(item.judgement.tz.empty() ? 0 : item.libraries.size(), Reading{});
        item.rule_line.assign(item.derived ? libraries_.size() : 0, Reading{});
    }
    // Each stretch starts on a sampling step of the whole window's.
    const int64_t stretch = stretch_steps_ * Sampling::kSparse;
    for (int64_t from = window_.from; from < window_.to; from += stretch) {
        if (!run_stretch({from, std::min(window_.to, from + stretch)}, error, progress)) return false;
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        if (progress && i % 64 == 0) {
            progress(std::to_string(i + 1) + " of " + std::to_string(items_.size()) +
                     " judged: " + items_[i].judgement.place);
        }
        Item &item = items_[i];
        if (places_[item.place].place.ok) judge(item);
        item.tz = {};  // what was compared, no longer needed
        item.rule_line = {};
        item.zic_read = {};
    }
    return true;
}

bool Engine::run_stretch(Window stretch, std::string &error, const Progress &progress) {
    // Read one second past the stretch where another follows: a reader
    // samples at its last second, and the stretch's end is a step of the
    // whole window's, so that each string is sampled at the same instants,
    // and so read alike, as over the whole window.
    const Window read{stretch.from, stretch.to < window_.to ? stretch.to + 1 : stretch.to};
    std::vector<Item *> items;  // those that judge some of the stretch
    for (Item &item : items_) {
        if (places_[item.place].place.ok && overlaps(item.within, stretch)) items.push_back(&item);
    }

    // First glibc's readings of the rule lines that the places and zic's
    // outputs follow after their last transitions: the places' local time
    // and zic's, from their tables and their rule lines.
    TzReadings rule_lines(read, *consumers_);
    for (const PlaceState &p : places_) {
        if (p.place.ok && is_posix(p.place.zone.rule_line)) rule_lines.want(host_, p.place.zone.rule_line);
    }
    for (const Item *item : items) {
        if (item->zic_zone != SIZE_MAX && is_posix(zic_zones_[item->zic_zone].rule_line))
            rule_lines.want(host_, zic_zones_[item->zic_zone].rule_line);
    }
    if (!rule_lines.read(error, progress)) return false;
    std::vector<std::vector<Span>> timelines(places_.size()), zic_timelines(zic_zones_.size());
    for (size_t p = 0; p < places_.size(); ++p) {
        PlaceState &place = places_[p];
        if (!place.place.ok) continue;
        timelines[p] = zone_local_time(place.place.zone, stretch, read_rule_line(rule_lines, host_, place.place.zone));
        if (!keep_timelines_) continue;
        for (const Span &s : timelines[p]) {
            if (place.timeline.empty() || !same_local_time(place.timeline.back(), s)) place.timeline.push_back(s);
        }
    }
    for (Item *item : items) {
        if (item->zic_zone == SIZE_MAX) continue;
        const int64_t from = std::max(item->within.from, stretch.from), to = std::min(item->within.to, stretch.to);
        std::vector<Span> &zic = zic_timelines[item->zic_zone];
        const TzifZone &zone = zic_zones_[item->zic_zone];
        if (zic.empty()) zic = zone_local_time(zone, stretch, read_rule_line(rule_lines, host_, zone));
        item->zic_read.add(timelines[item->place], zic, from, to);
    }

    // Then each library's readings of the TZ strings and of the places' own
    // rule lines, each compared as it comes (in the library's reader
    // thread) with what it is wanted for, and not kept: the place's local
    // time, or glibc's reading of the rule line. A reading glibc has given
    // already is not asked for again.
    struct Target {
        Reading *reading;
        const std::vector<Span> *expected;
        int64_t from, to;
    };
    const auto compare = [](const Target &t, const TzReading &r) {
        if (!r.refused.empty()) {
            if (t.reading->unread.empty()) t.reading->unread = r.refused;
        } else {
            t.reading->comparison.add(*t.expected, r.spans, t.from, t.to);
        }
    };
    TzReadings strings(read, *consumers_);
    std::vector<std::vector<std::vector<Target>>> targets;  // by the library's call and the string's place in it
    const auto want = [&](const CLibrary &library, const std::string &tz, const Target &target) {
        const TzReading *known = library.name == host_.name ? rule_lines.find(host_, tz) : nullptr;
        if (known != nullptr) return compare(target, *known);
        const auto [call, string] = strings.want(library, tz);
        if (targets.size() <= call) targets.resize(call + 1);
        if (targets[call].size() <= string) targets[call].resize(string + 1);
        targets[call][string].push_back(target);
    };
    for (Item *item : items) {
        const Judgement &j = item->judgement;
        const int64_t from = std::max(item->within.from, stretch.from), to = std::min(item->within.to, stretch.to);
        for (size_t k = 0; k < item->tz.size(); ++k)
            want(item->libraries[k], j.tz, {&item->tz[k], &timelines[item->place], from, to});
        if (!item->derived) continue;
        const TzReading *own = rule_lines.find(host_, j.rule_line);
        item->own_read = item->own_read && own != nullptr && own->refused.empty();
        if (!item->own_read) continue;
        for (size_t k = 0; k < item->rule_line.size(); ++k)
            want(libraries_[k], j.rule_line, {&item->rule_line[k], &own->spans, from, to});
    }
    std::vector<std::vector<char>> answered(targets.size());  // each library's strings, as they come
    for (size_t call = 0; call < targets.size(); ++call) answered[call].resize(targets[call].size());
    if (!strings.read(error, progress, [&](size_t call, size_t string, TzReading &&reading) {
            for (const Target &t : targets[call][string]) compare(t, reading);
            answered[call][string] = 1;
        })) {
        return false;
    }
    for (size_t call = 0; call < targets.size(); ++call) {
        for (size_t string = 0; string < targets[call].size(); ++string) {
            if (answered[call][string] != 0) continue;
            for (const Target &t : targets[call][string]) compare(t, TzReading{"not read", {}});
        }
    }
    return true;
}

void Engine::judge(Item &item) const {
    Judgement &j = item.judgement;
    // The TZ string, as each library reads it: the verdict is the worst, the
    // wrong time the earliest and the longest any library gives.
    if (!j.tz.empty()) {
        j.tz_verdict = Verdict::kExact;
        for (size_t k = 0; k < item.tz.size(); ++k) {
            LibraryComparison read{j.libraries[k], {}};
            if (!item.tz[k].unread.empty()) {
                read.comparison.verdict = Verdict::kDiffers;
                j.reasons.push_back({ReasonKind::kNotRead, "TZ string not handed to " + read.library + "'s reader (" +
                                                               item.tz[k].unread + ")"});
            } else {
                read.comparison = std::move(item.tz[k].comparison).result();
                explain_differences(read.comparison, item.within.from, item.within.to);
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
        for (size_t k = 0; k < item.libraries.size() && k < j.tz_comparisons.size(); ++k) {
            if (j.tz_comparisons[k].comparison.verdict != Verdict::kDiffers) continue;
            for (Reason &misread : library_misreadings(j.tz, {item.libraries[k]}))
                j.reasons.push_back(std::move(misread));
        }
    }

    // The place's own rule line, as each library reads it, against glibc.
    if (item.derived && item.own_read) {
        for (size_t k = 0; k < item.rule_line.size(); ++k) {
            Reading &r = item.rule_line[k];
            j.rule_line_verdicts.emplace_back(
                libraries_[k].label(), r.unread.empty() ? std::move(r.comparison).result().verdict : Verdict::kDiffers);
        }
    }

    // zic's output.
    if (item.zic_zone != SIZE_MAX) {
        j.zic_library = host_.label();
        j.zic_comparison = std::move(item.zic_read).result();
        j.zic_verdict = j.zic_comparison.verdict;
        explain_differences(j.zic_comparison, item.within.from, item.within.to);
        for (const Reason &n : j.zic_comparison.notes) {
            const ReasonKind kind = n.kind == ReasonKind::kWrongOffset    ? ReasonKind::kZicWrongOffset
                                    : n.kind == ReasonKind::kAbbreviation ? ReasonKind::kZicAbbreviation
                                                                          : ReasonKind::kZicDaylightFlag;
            j.reasons.push_back({kind, "zic text: " + n.text});
        }
        if (j.zic_verdict == Verdict::kDiffers && j.tz_verdict != Verdict::kDiffers && has_week5(j.record)) {
            j.reasons.push_back({ReasonKind::kZicWeek5, std::string("zic text: ") + kWeek5Text});
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
