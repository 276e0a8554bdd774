// SPDX-License-Identifier: MIT
#include "system/database.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "system/process.hpp"

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

bool load_place(const TzDatabase &db, const std::string &name, Years years, Place &place, std::string &why,
                ReasonKind *kind) {
    place.name = name;
    place.tzdata = db.version;
    place.years = years;
    place.timeline.clear();
    const std::string &tzdir = db.dir;
    if (kind != nullptr) *kind = ReasonKind::kUnknownPlace;
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
    if (kind != nullptr) *kind = ReasonKind::kDamagedZone;
    if (!parse_tzif(bytes, place.zone, why)) {
        why = name + ": " + why;
        return false;
    }
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

}  // namespace qeltz
