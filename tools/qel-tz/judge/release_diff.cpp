// SPDX-License-Identifier: MIT
#include "judge/release_diff.hpp"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "judge/engine.hpp"
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

bool open_release(const std::string &dir, Release &r, std::string &why) {
    r.dir = dir;
    r.links = zone_links(dir);
    for (auto &name : list_places(dir)) {
        if (r.links.count(name) == 0) r.zones.insert(std::move(name));
    }
    if (r.zones.empty()) why = "no compiled zones in " + dir;
    return !r.zones.empty();
}

// A place that may have changed, as each release has it.
struct Loaded {
    std::string name;
    bool in_old = false, in_new = false;
    Place old_place, new_place;
    std::string old_damage, new_damage;  // why a compiled zone of the release cannot be read
};

bool read_zone(const std::string &dir, const std::string &name, TzifZone &zone) {
    std::string bytes, why;
    return read_file(dir + "/" + name, bytes) && parse_tzif(bytes, zone, why);
}

// The local time of a compiled zone over the years as the C library takes it
// from the file, without reading it: from each instant on, a local time type
// or the rule line, by its text (a slim build may list no transition in the
// years, so a new rule line alone can change the time). Before the first
// transition the C library takes the first standard time type; from the last
// one on, the rule line where there is one.
std::vector<std::pair<int64_t, std::string>> schedule(const TzifZone &z, Years years) {
    auto state = [&z](int64_t t) -> std::string {
        if (z.times.empty() || t < z.times.front()) {
            size_t i = 0;
            while (i < z.types.size() && z.types[i].isdst) ++i;
            const TzifType &first = z.types[i < z.types.size() ? i : 0];
            return std::to_string(first.utoff) + " " + first.abbr;
        }
        if (t >= z.times.back() && !z.footer.empty()) return "rule line " + z.footer;
        const auto i = static_cast<size_t>(std::upper_bound(z.times.begin(), z.times.end(), t) - z.times.begin() - 1);
        const TzifType &type = z.types[z.types_at[i]];
        return std::to_string(type.utoff) + (type.isdst ? " dst " : " std ") + type.abbr;
    };
    std::vector<std::pair<int64_t, std::string>> out{{years.from(), state(years.from())}};
    for (int64_t t : z.times) {
        if (t <= years.from() || t >= years.to()) continue;
        std::string now = state(t);
        if (now != out.back().second) out.emplace_back(t, std::move(now));
    }
    return out;
}

// The abbreviations a place uses in the years, in alphabetical order: a
// release that only reorders them renames nothing.
std::vector<std::string> names_of(const std::vector<Span> &timeline) {
    std::set<std::string> names;
    for (const auto &s : timeline) names.insert(s.abbr);
    return {names.begin(), names.end()};
}

// The parts of `now` outside every stretch of `before`.
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

bool same_record(const PlaceCheck &a, const PlaceCheck &b) {
    return a.has_record == b.has_record && (!a.has_record || std::memcmp(&a.record, &b.record, sizeof a.record) == 0);
}

bool same_timeline(const std::vector<Span> &a, const std::vector<Span> &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Span &x, const Span &y) { return x.from == y.from && same_local_time(x, y); });
}

}  // namespace

bool diff_releases(const std::string &old_dir, const std::string &new_dir, Years years, ReleaseDiff &diff,
                   std::string &why) {
    Release old_release, new_release;
    if (!open_release(old_dir, old_release, why) || !open_release(new_dir, new_release, why)) return false;
    diff = ReleaseDiff{};
    const TzDatabase old_db = tz_database(old_dir), new_db = tz_database(new_dir);
    diff.old_version = old_db.version;
    diff.new_version = new_db.version;
    diff.years = years;
    diff.old_places = old_release.zones.size();
    diff.new_places = new_release.zones.size();

    // Places whose compiled zones give the same local time in the years
    // (most of them) derive the same record with the same verdicts: only the
    // others are loaded and checked.
    std::set<std::string> names = old_release.zones;
    names.insert(new_release.zones.begin(), new_release.zones.end());
    std::vector<Loaded> loaded;
    for (const auto &name : names) {
        TzifZone a, b;
        Loaded l;
        l.name = name;
        l.in_old = old_release.zones.count(name) != 0;
        l.in_new = new_release.zones.count(name) != 0;
        if (l.in_old && l.in_new && read_zone(old_dir, name, a) && read_zone(new_dir, name, b) &&
            schedule(a, years) == schedule(b, years))
            continue;
        // A damaged zone is still the release's: it is reported with its
        // damage, never taken for a zone the release removed.
        if (l.in_old && !load_place(old_db, name, years, l.old_place, l.old_damage) && l.old_damage.empty())
            l.old_damage = "cannot be read";
        if (l.in_new && !load_place(new_db, name, years, l.new_place, l.new_damage) && l.new_damage.empty())
            l.new_damage = "cannot be read";
        loaded.push_back(std::move(l));
    }
    // The records derived from both releases, checked in one run; then the
    // old records' TZ strings against the new releases' places in another.
    // Every TZ string is read by the C libraries' readers, never as a file.
    const std::vector<CLibrary> judges = c_libraries();
    CheckRun derived(judges, years);
    std::vector<size_t> old_at(loaded.size(), SIZE_MAX), new_at(loaded.size(), SIZE_MAX);
    for (size_t i = 0; i < loaded.size(); ++i) {
        Loaded &l = loaded[i];
        if (l.in_old && l.old_damage.empty()) old_at[i] = derived.derived(l.old_place);
        if (l.in_new && l.new_damage.empty()) new_at[i] = derived.derived(l.new_place);
    }
    ZicWorkspace zic;
    zic.compile_all(derived.zic_texts());
    if (!derived.run(zic, why)) return false;

    std::vector<PlaceDiff> diffs(loaded.size());
    CheckRun against(judges, years);
    std::vector<size_t> against_at(loaded.size(), SIZE_MAX);
    for (size_t i = 0; i < loaded.size(); ++i) {
        Loaded &l = loaded[i];
        PlaceDiff &d = diffs[i];
        d.place = l.name;
        for (ReleaseSide *side : {&d.old_side, &d.new_side}) {
            const bool old = side == &d.old_side;
            Place &place = old ? l.old_place : l.new_place;
            side->present = old ? l.in_old : l.in_new;
            if (!side->present) continue;
            const size_t at = old ? old_at[i] : new_at[i];
            if (at != SIZE_MAX) {
                side->check = std::move(derived.check(at));
            } else {
                side->check = check_of(place);
                side->check.reasons.push_back({ReasonKind::kDamagedZone, old ? l.old_damage : l.new_damage});
            }
            side->names = names_of(place.timeline);
        }
        if (old_at[i] != SIZE_MAX && new_at[i] != SIZE_MAX && !d.old_side.check.tz.empty()) {
            against_at[i] = against.tz_string(l.new_place, d.old_side.check.tz);
        }
    }
    ZicWorkspace zic_again;
    zic_again.compile_all(against.zic_texts());
    if (!against.run(zic_again, why)) return false;

    for (size_t i = 0; i < loaded.size(); ++i) {
        PlaceDiff &d = diffs[i];
        const PlaceCheck &was = d.old_side.check, &now = d.new_side.check;
        if (against_at[i] != SIZE_MAX) {
            d.wrong = minus(against.check(against_at[i]).tz_comparison.differences, was.tz_comparison.differences);
            for (const auto &w : d.wrong) d.wrong_seconds += w.until - w.utc;
        }
        if (!d.old_side.present) {
            d.change = ReleaseChange::kAdded;
        } else if (!d.new_side.present) {
            d.change = ReleaseChange::kRemoved;
        } else if (!same_record(was, now)) {
            d.change = ReleaseChange::kRecord;
        } else if (d.old_side.names != d.new_side.names) {
            d.change = ReleaseChange::kNames;
        } else if (was.tz_verdict == now.tz_verdict &&
                   same_timeline(loaded[i].old_place.timeline, loaded[i].new_place.timeline) && d.wrong.empty()) {
            continue;  // nothing in the years changed
        }
        for (const auto &[link, target] : new_release.links) {
            if (target == d.place) d.also.push_back(link);
        }
        diff.places.push_back(std::move(d));
    }
    std::stable_sort(diff.places.begin(), diff.places.end(), [](const PlaceDiff &a, const PlaceDiff &b) {
        if (a.goes_wrong() != b.goes_wrong()) return a.goes_wrong();
        return a.goes_wrong() && a.wrong_from() < b.wrong_from();
    });
    why.clear();
    return true;
}

}  // namespace qeltz
