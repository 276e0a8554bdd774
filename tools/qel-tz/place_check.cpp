#include "place_check.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "derive.hpp"
#include "posix_tz.hpp"
#include "process.hpp"

namespace qeltz {

namespace {

bool is_compiled_zone(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    char magic[4] = {};
    const bool ok = std::fread(magic, 1, 4, f) == 4 && std::string(magic, 4) == "TZif";
    (void)std::fclose(f);
    return ok;
}

void walk(const std::string &root, const std::string &rel, std::vector<std::string> &out) {
    DIR *dir = opendir((root + "/" + rel).c_str());
    if (dir == nullptr) return;
    std::vector<std::string> names;
    while (const dirent *e = readdir(dir)) names.emplace_back(e->d_name);
    closedir(dir);
    for (const auto &name : names) {
        if (name == "." || name == "..") continue;
        const std::string sub = rel.empty() ? name : rel + "/" + name;
        if (rel.empty() && (name == "posix" || name == "right" || name == "localtime" || name == "posixrules"))
            continue;
        struct stat st {};
        if (lstat((root + "/" + sub).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            walk(root, sub, out);
        } else if (S_ISREG(st.st_mode) && is_compiled_zone(root + "/" + sub)) {
            out.push_back(sub);
        }
    }
}

// The local time a TZ value gives over the place's years, compared with the place's.
Comparison against_place(const Place &place, const std::string &tz) {
    const Years years = place.years;
    return compare_timelines(place.timeline, read_timeline(tz, years.from(), years.to(), place.zone.times), years.to());
}

// A TZ string as the C library reads it, against the place.
void verify_tz(const Place &place, const std::string &tz, PlaceCheck &c) {
    c.tz = tz;
    c.tz_comparison = against_place(place, tz);
    c.tz_verdict = c.tz_comparison.verdict;
    for (const auto &n : c.tz_comparison.notes) c.reasons.push_back("TZ string: " + n);
}

// The record's zic text as zic compiles it and the C library reads the
// result, against the place.
void verify_zic(const Place &place, const ZicWorkspace &zic, PlaceCheck &c) {
    char text[1024];
    if (qel_tzset_to_zicstr(&c.record, text, sizeof text) != QEL_OK) {
        c.reasons.push_back("the device library writes no zic text for the record");
        return;
    }
    c.zic = text;
    if (!zic.usable()) {
        c.reasons.push_back("zic text not checked: zic or zdump is not installed");
        return;
    }
    std::string said;
    const std::string compiled = zic.compile(c.zic, &said);
    if (compiled.empty()) {
        c.reasons.push_back("zic refuses the zic text: " + said);
        return;
    }
    c.zic_comparison = against_place(place, ":" + compiled);
    c.zic_verdict = c.zic_comparison.verdict;
    for (const auto &n : c.zic_comparison.notes) c.reasons.push_back("zic text: " + n);
    const bool week5 = c.record.dst_on != 0 && (c.record.start.week == 5 || c.record.end.week == 5);
    if (c.zic_verdict == Verdict::kDiffers && c.tz_verdict != Verdict::kDiffers && week5) {
        c.reasons.push_back(
            "zic text: week 5 is written \"on or after the 29th\", which zic reads as the first such weekday from "
            "the 29th on, not the last of the month; in years whose last such weekday falls before the 29th the zic "
            "text changes a week later, in the next month, while the TZ string keeps the last one");
    }
}

void verify_record(const Place &place, const ZicWorkspace &zic, PlaceCheck &c) {
    char tz[256];
    if (qel_tzset_to_tzstr(&c.record, tz, sizeof tz) != QEL_OK) {
        c.reasons.push_back("the device library refuses the record");
        return;
    }
    verify_tz(place, tz, c);
    verify_zic(place, zic, c);
}

}  // namespace

std::vector<std::string> list_places(const std::string &tzdir) {
    std::vector<std::string> out;
    walk(tzdir, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

TzDatabase tz_database(const std::string &dir) {
    std::string text;
    const std::string tag = "# version ";
    if (!read_file(dir + "/tzdata.zi", text) || text.compare(0, tag.size(), tag) != 0) return {dir, "unknown"};
    return {dir, text.substr(tag.size(), text.find('\n') - tag.size())};
}

bool load_place(const TzDatabase &db, const std::string &name, Years years, Place &place, std::string &why) {
    place.name = name;
    place.tzdata = db.version;
    place.years = years;
    const std::string &tzdir = db.dir;
    if (name.empty() || name[0] == '/' || name.find("..") != std::string::npos) {
        why = "not a place name (such as Europe/Berlin): " + name;
        return false;
    }
    char *dir = realpath(tzdir.c_str(), nullptr);
    if (dir == nullptr) {
        why = "cannot read the tz database directory " + tzdir;
        return false;
    }
    place.path = std::string(dir) + "/" + name;
    std::free(dir);
    std::string bytes;
    struct stat st {};
    if (stat(place.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !read_file(place.path, bytes)) {
        why = "unknown place " + name + " (not in " + tzdir + ")";
        return false;
    }
    if (!parse_tzif(bytes, place.zone, why)) {
        why = name + ": " + why;
        return false;
    }
    place.timeline = read_timeline(":" + place.path, years.from(), years.to(), place.zone.times);
    return true;
}

PlaceCheck check_of(const Place &place) {
    PlaceCheck c;
    c.place = place.name;
    c.tzdata = place.tzdata;
    c.years = place.years;
    c.rule_line = place.zone.footer;
    return c;
}

PlaceCheck check_record(const Place &place, const qel_tzset &record, const ZicWorkspace &zic) {
    PlaceCheck c = check_of(place);
    c.has_record = true;
    c.record = record;
    verify_record(place, zic, c);
    return c;
}

PlaceCheck check_derived(const Place &place, const ZicWorkspace &zic) {
    PlaceCheck c = check_of(place);
    const Years years = place.years;

    PosixTz rule;
    std::string why;
    if (c.rule_line.empty()) {
        c.reasons.push_back("the compiled zone has no rule for the times after its last change");
        return c;
    }
    if (!parse_posix_tz(c.rule_line, rule, why)) {
        c.reasons.push_back("the zone's rule " + c.rule_line + " cannot be read: " + why);
        return c;
    }
    // Does the rule itself describe the place in these years? Where the place
    // changes by its own table (a law for one year, a lunar calendar), no
    // yearly rule can.
    const Comparison own = against_place(place, c.rule_line);
    if (own.verdict == Verdict::kDiffers) {
        c.reasons.push_back("changes that follow no yearly rule in " + years.text() + ": the place's own rule " +
                            c.rule_line + " gives other offsets at " + std::to_string(own.differences.size()) +
                            " times, the first from " + date_time_text(own.differences.front().utc) + " UTC");
    }
    const Derivation d = derive_record(rule, years);
    if (!d.representable) {
        c.reasons.insert(c.reasons.end(), d.reasons.begin(), d.reasons.end());
        return c;
    }
    c.reasons.insert(c.reasons.end(), d.rewrites.begin(), d.rewrites.end());
    c.has_record = true;
    c.record = d.record;
    c.valid_through = d.valid_through;
    verify_record(place, zic, c);
    if (own.verdict == Verdict::kDiffers) c.tz_verdict = c.zic_verdict = Verdict::kUnrepresentable;
    return c;
}

PlaceCheck check_tz_string(const Place &place, const std::string &tz, const ZicWorkspace &zic) {
    PlaceCheck c = check_of(place);
    verify_tz(place, tz, c);
    if (qel_tzstr_to_tzset(tz.c_str(), &c.record) == QEL_OK) {
        c.has_record = true;
        verify_zic(place, zic, c);
    } else {
        c.record = qel_tzset{};
        c.reasons.push_back("the device library does not read this TZ string: no record and no zic text");
    }
    return c;
}

}  // namespace qeltz
