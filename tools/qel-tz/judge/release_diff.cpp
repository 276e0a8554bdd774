// SPDX-License-Identifier: MIT
#include "judge/release_diff.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "judge/engine.hpp"
#include "judge/schedule.hpp"
#include "system/process.hpp"
#include "system/zone_links.hpp"

namespace qeltz {

const char *change_name(ReleaseChange change) {
    static const char *const kNames[] = {"added", "removed", "record", "names", "verdict"};
    return kNames[static_cast<int>(change)];
}

namespace {

struct Release {
    std::string dir;
    std::set<std::string> zones;  // compiled zones that are not links
    std::map<std::string, std::string> links;
};

Release open_release(const std::string &dir) {
    Release r;
    r.dir = dir;
    r.links = zone_links(dir);
    // A name tzdata.zi calls a link is a zone too where it is a symbolic link
    // list_places keeps: one that dangles or leads out, with its problem.
    struct stat st {};
    for (auto &name : list_places(dir)) {
        const std::string path = dir + "/";
        if (r.links.count(name) == 0 || (lstat((path + name).c_str(), &st) == 0 && S_ISLNK(st.st_mode)))
            r.zones.insert(std::move(name));
    }
    return r;
}

// A place that may have changed, as each release has it: its indexes in
// the engine, the place's and its judgements'.
struct Loaded {
    std::string name;
    bool in_old = false, in_new = false;
    size_t old_place = 0, new_place = 0;
    size_t old_at = SIZE_MAX, new_at = SIZE_MAX, against_at = SIZE_MAX;
    std::vector<size_t> new_spans;  // the new release's schedule
};

bool read_zone(const std::string &dir, const std::string &name, TzifZone &zone) {
    std::string bytes, why;
    return read_file(dir + "/" + name, bytes) && parse_tzif(bytes, zone, why);
}

// The abbreviations a place uses in the window, in alphabetical order: a
// release that only reorders them renames nothing.
std::vector<std::string> names_of(const std::vector<Span> &timeline) {
    std::set<std::string> names;
    for (const auto &s : timeline) names.insert(s.abbr);
    return {names.begin(), names.end()};
}

}  // namespace

std::vector<Difference> minus(const std::vector<Difference> &now, const std::vector<Difference> &before) {
    std::vector<Difference> out;
    for (Difference d : now) {
        for (const auto &b : before) {
            if (b.until <= d.utc || b.utc >= d.until) continue;
            if (b.utc > d.utc) {
                Difference head = d;
                head.until = b.utc;
                out.push_back(head);
            }
            d.utc = std::min(d.until, b.until);
        }
        if (d.utc < d.until) out.push_back(d);
    }
    return out;
}

namespace {

bool same_record(const Judgement &a, const Judgement &b) {
    return a.has_record == b.has_record && (!a.has_record || std::memcmp(&a.record, &b.record, sizeof a.record) == 0);
}

bool same_timeline(const std::vector<Span> &a, const std::vector<Span> &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Span &x, const Span &y) { return x.from == y.from && same_local_time(x, y); });
}

// What the new release makes wrong of the old string, library by library:
// `against` the old string read against the new place, `was` the old
// string's judgement against the old place.
void wrong_of(const Judgement &against, const Judgement &was, PlaceDiff &d) {
    for (size_t i = 0; i < against.tz_comparisons.size(); ++i) {
        const std::vector<Difference> before =
            i < was.tz_comparisons.size() ? was.tz_comparisons[i].comparison.differences : std::vector<Difference>{};
        fold_wrong(minus(against.tz_comparisons[i].comparison.differences, before), d.wrong_from, d.wrong_seconds);
    }
}

}  // namespace

bool diff_releases(const std::string &old_dir, const std::string &new_dir, Window window,
                   const std::vector<CLibrary> &libraries, ReleaseDiff &diff, std::string &why) {
    const Release old_release = open_release(old_dir), new_release = open_release(new_dir);
    diff = ReleaseDiff{};
    const TzDatabase old_db = tz_database(old_dir), new_db = tz_database(new_dir);
    diff.old_version = old_db.version;
    diff.new_version = new_db.version;
    diff.window = window;
    diff.libraries = libraries;
    diff.old_places = old_release.zones.size();
    diff.new_places = new_release.zones.size();

    // Places whose compiled zones give the same local time in the window
    // (most of them) derive the same record with the same verdicts: only the
    // others are judged, in one run: the records derived from both releases,
    // and each old record's TZ string against the new release's place.
    std::set<std::string> names = old_release.zones;
    names.insert(new_release.zones.begin(), new_release.zones.end());
    Engine engine(window, libraries);
    engine.keep_timelines();  // compared between the releases below
    std::vector<Loaded> loaded;
    for (const auto &name : names) {
        TzifZone a, b;
        Loaded l;
        l.name = name;
        l.in_old = old_release.zones.count(name) != 0;
        l.in_new = new_release.zones.count(name) != 0;
        // The same rule line and the same local time by the tables (a slim
        // build may list no transition in the window, so the rule line is
        // compared as text).
        if (l.in_old && l.in_new && read_zone(old_dir, name, a) && read_zone(new_dir, name, b) &&
            a.rule_line == b.rule_line && same_timeline(zone_local_time(a, window), zone_local_time(b, window)))
            continue;
        // A damaged zone is still the release's: it is judged with its
        // damage, never taken for a zone the release removed.
        if (l.in_old) l.old_at = engine.derived(l.old_place = engine.place(old_db, name));
        if (l.in_new) {
            l.new_at = engine.derived(l.new_place = engine.place(new_db, name));
            l.new_spans = ask_schedule(engine, l.new_place, l.new_at);
        }
        if (l.in_old && l.in_new && engine.place_at(l.new_place).ok && !engine.result(l.old_at).tz.empty()) {
            l.against_at = engine.tz_string(l.new_place, engine.result(l.old_at).tz);
        }
        loaded.push_back(std::move(l));
    }
    if (!engine.run(why)) return false;

    for (const Loaded &l : loaded) {
        PlaceDiff d;
        d.place = l.name;
        for (ReleaseSide *side : {&d.old_side, &d.new_side}) {
            const bool old = side == &d.old_side;
            side->present = old ? l.in_old : l.in_new;
            if (!side->present) continue;
            side->check = engine.result(old ? l.old_at : l.new_at);
            side->names = names_of(engine.timeline(old ? l.old_place : l.new_place));
        }
        const Judgement &was = d.old_side.check, &now = d.new_side.check;
        if (l.against_at != SIZE_MAX) wrong_of(engine.result(l.against_at), was, d);
        for (const size_t s : l.new_spans) d.new_schedule.push_back(engine.result(s));
        if (!d.old_side.present) {
            d.change = ReleaseChange::kAdded;
        } else if (!d.new_side.present) {
            d.change = ReleaseChange::kRemoved;
        } else if (!same_record(was, now)) {
            d.change = ReleaseChange::kRecord;
        } else if (d.old_side.names != d.new_side.names) {
            d.change = ReleaseChange::kNames;
        } else if (was.tz_verdict == now.tz_verdict &&
                   same_timeline(engine.timeline(l.old_place), engine.timeline(l.new_place)) && !d.goes_wrong() &&
                   engine.place_at(l.old_place).ok == engine.place_at(l.new_place).ok) {
            continue;  // nothing in the window changed
        }
        for (const auto &[link, target] : new_release.links) {
            if (target == d.place) d.also.push_back(link);
        }
        diff.places.push_back(std::move(d));
    }
    // Those going wrong first, earliest first (then by name, as listed); then the others.
    std::stable_sort(diff.places.begin(), diff.places.end(), [](const PlaceDiff &a, const PlaceDiff &b) {
        if (a.goes_wrong() != b.goes_wrong()) return a.goes_wrong();
        return a.goes_wrong() && a.wrong_from < b.wrong_from;
    });
    why.clear();
    return true;
}

}  // namespace qeltz
