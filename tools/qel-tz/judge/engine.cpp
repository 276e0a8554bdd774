// SPDX-License-Identifier: MIT
#include "judge/engine.hpp"

#include <algorithm>

#include "judge/derive.hpp"
#include "formats/posix_tz.hpp"
#include "system/process.hpp"
#include "system/library_readings.hpp"

namespace qeltz {

namespace {

bool worse(Verdict a, Verdict b) { return static_cast<int>(a) > static_cast<int>(b); }

// The record's TZ string and zic text, as the device library writes them.
void write_texts(PlaceCheck &c) {
    char text[1024];
    if (qel_tzset_to_tzstr(&c.record, text, sizeof text) != QEL_OK) {
        c.reasons.push_back({ReasonKind::kDeviceRefusesRecord, "the device library refuses the record"});
        return;
    }
    c.tz = text;
    if (qel_tzset_to_zicstr(&c.record, text, sizeof text) != QEL_OK) {
        c.reasons.push_back({ReasonKind::kNoZicText, "the device library writes no zic text for the record"});
        return;
    }
    c.zic = text;
}

// The rule line of a compiled zone, or "" where it has none or cannot be read.
std::string footer_of(const std::string &path) {
    std::string bytes, why;
    TzifZone zone;
    return read_file(path, bytes) && parse_tzif(bytes, zone, why) ? zone.footer : "";
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

}  // namespace

CheckRun::CheckRun(std::vector<CLibrary> judges, Years years) : judges_(std::move(judges)), years_(years) {
    const std::vector<CLibrary> all = c_libraries();
    const CLibrary *own = find_library(all, "glibc");
    if (own != nullptr) host_ = *own;
}

size_t CheckRun::add(Place &place, PlaceCheck check) {
    for (const CLibrary &library : judges_) check.libraries.push_back(library.label());
    Item item;
    item.place = &place;
    item.check = std::move(check);
    items_.push_back(std::move(item));
    return items_.size() - 1;
}

size_t CheckRun::derived(Place &place) {
    PlaceCheck c = check_of(place);
    PosixTz rule;
    std::string why;
    if (c.rule_line.empty()) {
        c.reasons.push_back(
            {ReasonKind::kNoRuleLine, "the compiled zone has no rule for the times after its last change"});
        return add(place, std::move(c));
    }
    if (!parse_posix_tz(c.rule_line, rule, why)) {
        c.reasons.push_back({ReasonKind::kNotPosix, "the zone's rule " + c.rule_line + " cannot be read: " + why});
        return add(place, std::move(c));
    }
    const Derivation d = derive_record(rule, place.years);
    if (!d.representable) {
        c.reasons.insert(c.reasons.end(), d.reasons.begin(), d.reasons.end());
    } else {
        c.reasons.insert(c.reasons.end(), d.rewrites.begin(), d.rewrites.end());
        c.has_record = true;
        c.record = d.record;
        c.valid_through = d.valid_through;
        write_texts(c);
    }
    const size_t i = add(place, std::move(c));
    items_[i].own = true;
    return i;
}

size_t CheckRun::record(Place &place, const qel_tzset &record) {
    PlaceCheck c = check_of(place);
    c.has_record = true;
    c.record = record;
    write_texts(c);
    return add(place, std::move(c));
}

size_t CheckRun::tz_string(Place &place, const std::string &tz) {
    PlaceCheck c = check_of(place);
    c.tz = tz;
    c.tz_given = true;
    c.tz_read_status = qel_tzstr_to_tzset(tz.c_str(), &c.record);
    if (c.tz_read_status == QEL_OK) {
        c.has_record = true;
        char text[1024];
        if (qel_tzset_to_zicstr(&c.record, text, sizeof text) == QEL_OK) c.zic = text;
    } else {
        c.record = qel_tzset{};
        c.reasons.push_back({ReasonKind::kDeviceRefusesString, "the device library refuses this string (" +
                                                                   std::to_string(c.tz_read_status) +
                                                                   "): no record and no zic text"});
    }
    return add(place, std::move(c));
}

std::vector<std::string> CheckRun::zic_texts() const {
    std::vector<std::string> texts;
    for (const Item &item : items_) {
        if (!item.check.zic.empty()) texts.push_back(item.check.zic);
    }
    return texts;
}

bool CheckRun::run(const ZicWorkspace &zic, std::string &error, const Progress &progress) {
    if (host_.name.empty()) {
        error = "this qel-tz has no reader for the C library it runs on";
        return false;
    }
    TzReadings readings(years_);
    for (Item &item : items_) {
        PlaceCheck &c = item.check;
        if (!c.zic.empty() && !zic.usable()) {
            c.reasons.push_back({ReasonKind::kZicNotChecked, "zic text not checked: zic or zdump is not installed"});
        } else if (!c.zic.empty()) {
            std::string said;
            item.zic_path = zic.compile(c.zic, &said);
            if (item.zic_path.empty())
                c.reasons.push_back({ReasonKind::kZicRefuses, "zic refuses the zic text: " + said});
        }
        // The rule lines are read by this process's own C library, as it
        // would read them in the compiled files; the TZ string by each judge.
        if (!item.zic_path.empty()) item.zic_footer = footer_of(item.zic_path);
        for (const std::string *line : {&item.place->zone.footer, &item.zic_footer}) {
            if (is_posix(*line)) readings.want(host_, *line);
        }
        if (!c.tz.empty()) {
            for (const CLibrary &library : judges_) readings.want(library, c.tz);
        }
    }
    if (!readings.read(error, progress)) return false;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (progress)
            progress(std::to_string(i + 1) + " of " + std::to_string(items_.size()) +
                     " compared: " + items_[i].check.place);
        verify(items_[i], readings);
    }
    return true;
}

void CheckRun::verify(Item &item, const TzReadings &readings) {
    Place &place = *item.place;
    PlaceCheck &c = item.check;
    const int64_t from = years_.from(), to = years_.to();
    const RuleLineSpans rule_line = [&](const std::string &line) -> const std::vector<Span> * {
        const TzReading *r = readings.find(host_, line);
        return r != nullptr && r->refused.empty() ? &r->spans : nullptr;
    };
    if (place.timeline.empty()) place.timeline = read_compiled_zone(place.path, from, to, place.zone.times, rule_line);

    // Does the place's own rule describe it in these years? Where the place
    // changes by its own table (a law for one year, a lunar calendar), no
    // yearly rule can.
    bool own_differs = false;
    if (item.own) {
        const std::vector<Span> *own = rule_line(c.rule_line);
        const Comparison cmp = own != nullptr ? compare_timelines(place.timeline, *own, to) : Comparison{};
        own_differs = cmp.verdict == Verdict::kDiffers;
        if (own == nullptr) {
            c.reasons.insert(c.reasons.begin(), {ReasonKind::kNotRead, "the place's own rule " + c.rule_line +
                                                                           " was not read by " + host_.label()});
        } else if (own_differs) {
            c.reasons.insert(
                c.reasons.begin(),
                {ReasonKind::kNoYearlyRule,
                 "changes that follow no yearly rule in " + years_.text() + ": the place's own rule " + c.rule_line +
                     " gives other offsets " +
                     (cmp.differences.size() == 1 ? std::string("once")
                                                  : "at " + std::to_string(cmp.differences.size()) + " times") +
                     ", the first from " + date_time_text(cmp.differences.front().utc) + " UTC"});
        }
    }

    // The TZ string, as each judge reads it: the verdict is the worst.
    if (!c.tz.empty()) {
        c.tz_verdict = Verdict::kExact;
        for (const CLibrary &library : judges_) {
            const TzReading *r = readings.find(library, c.tz);
            LibraryComparison read{library.label(), {}};
            if (r == nullptr || !r->refused.empty()) {
                read.comparison.verdict = Verdict::kDiffers;
                c.reasons.push_back({ReasonKind::kNotRead, "TZ string not handed to " + library.label() +
                                                               "'s reader (" +
                                                               (r != nullptr ? r->refused : "not read") + ")"});
            } else {
                read.comparison = compare_timelines(place.timeline, r->spans, to);
            }
            if (c.tz_comparisons.empty() || worse(read.comparison.verdict, c.tz_verdict)) {
                c.tz_verdict = read.comparison.verdict;
                c.tz_comparison = read.comparison;
            }
            c.tz_comparisons.push_back(std::move(read));
        }
        add_notes(c.tz_comparisons, c.reasons);
        std::string verdicts;
        bool disagree = false;
        for (const LibraryComparison &read : c.tz_comparisons) {
            verdicts += (verdicts.empty() ? "" : ", ") + read.library + " " + verdict_name(read.comparison.verdict);
            disagree = disagree || read.comparison.verdict != c.tz_verdict;
        }
        if (disagree) {
            c.reasons.push_back(
                {ReasonKind::kLibrariesDisagree, "the C libraries read the TZ string otherwise: " + verdicts});
        }
        // A string whose meaning the libraries choose is right on no device
        // for certain, whatever the libraries here make of it.
        const std::vector<LibraryChoice> choices = library_choices(c.tz);
        for (const LibraryChoice &choice : choices) c.reasons.push_back({choice.kind, choice.text});
        if (!choices.empty() && !worse(c.tz_verdict, Verdict::kOffsetsAgree)) c.tz_verdict = Verdict::kDiffers;
    }

    // zic's output, read from its file by this process's C library.
    if (!item.zic_path.empty()) {
        c.zic_library = host_.label();
        c.zic_comparison = compare_timelines(
            place.timeline, read_compiled_zone(item.zic_path, from, to, place.zone.times, rule_line), to);
        c.zic_verdict = c.zic_comparison.verdict;
        for (const Reason &n : c.zic_comparison.notes) {
            c.reasons.push_back(
                {n.kind == ReasonKind::kAbbreviation ? ReasonKind::kZicAbbreviation : ReasonKind::kZicDaylightFlag,
                 "zic text: " + n.text});
        }
        const bool week5 = c.record.dst_on != 0 && (c.record.start.week == 5 || c.record.end.week == 5);
        if (c.zic_verdict == Verdict::kDiffers && c.tz_verdict != Verdict::kDiffers && week5) {
            c.reasons.push_back(
                {ReasonKind::kZicWeek5,
                 "zic text: week 5 is written \"on or after the 29th\", which zic reads as the first such weekday "
                 "from the 29th on, not the last of the month; in years whose last such weekday falls before the "
                 "29th the zic text changes a week later, in the next month, while the TZ string keeps the last "
                 "one"});
        } else if (c.tz_given && c.zic_verdict == Verdict::kDiffers && c.tz_verdict != Verdict::kDiffers) {
            // The C libraries read the string right, but the device library
            // reads another timezone from it (a daylight name without an
            // offset, say): a device that keeps the record goes wrong.
            c.reasons.push_back({ReasonKind::kDeviceReadsOtherwise,
                                 "the device library reads this string as another timezone than the C libraries do: "
                                 "the record it reads (and the zic text written from it) differs from the place"});
        }
    }
    if (own_differs) c.tz_verdict = c.zic_verdict = Verdict::kUnrepresentable;
}

}  // namespace qeltz
