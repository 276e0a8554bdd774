// SPDX-License-Identifier: MIT
#include "system/database.hpp"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/escaping.hpp"
#include "system/process.hpp"

namespace qeltz {

namespace {

// The names at a database's top that are no places: its own text files, its
// folders of copies, and the machine's link to its own setting that some
// systems keep there (Debian: localtime -> /etc/localtime).
constexpr const char *kNotPlaces[] = {
    "tzdata.zi", "zone.tab", "zone1970.tab", "zonenow.tab", "iso3166.tab", "leapseconds", "leap-seconds.list",
    "SECURITY",  "version",  "README",       "posix",       "right",       "localtime",   "posixrules"};
// The files by which a folder is known as a tz database (the first three of
// kNotPlaces).
constexpr const char *const *kMarks = kNotPlaces;
constexpr size_t kMarkCount = 3;

std::string real_path(const std::string &path) {
    char *real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return "";
    std::string out = real;
    std::free(real);
    return out;
}

bool inside(const std::string &root, const std::string &path) {
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
}

// Whether every link on the way from `path` to its file stays inside `root`
// (a link that leaves the folder and comes back, like a localtime link to
// /etc/localtime, is the machine's, not the database's).
bool links_stay_inside(const std::string &root, std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        const size_t slash = path.rfind('/');
        const std::string folder = real_path(path.substr(0, slash));
        if (folder.empty() || !(folder == root || inside(root, folder))) return false;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) return false;
        if (!S_ISLNK(st.st_mode)) return true;
        char target[4096];
        const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0) return false;
        const std::string to(target, static_cast<size_t>(n));
        path = to[0] == '/' ? to : folder + "/" + to;
    }
    return false;
}

bool is_compiled_zone(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    char magic[4] = {};
    const bool ok = std::fread(magic, 1, 4, f) == 4 && std::string(magic, 4) == "TZif";
    (void)std::fclose(f);
    return ok;
}

// A link of the database: it stays inside the folder and leads to a compiled
// zone or a folder. Any other link is a place whose problem load_place names.
bool database_link(const std::string &root, const std::string &path) {
    struct stat st {};
    return links_stay_inside(root, path) && stat(path.c_str(), &st) == 0 &&
           (S_ISDIR(st.st_mode) || is_compiled_zone(path));
}

// `root` is a real path (no links in it).
void walk(const std::string &root, const std::string &rel, std::vector<std::string> &out) {
    const std::string here = rel.empty() ? root : root + "/" + rel;
    DIR *dir = opendir(here.c_str());
    if (dir == nullptr) {
        if (!rel.empty()) out.push_back(rel);  // an unreadable folder: named, load_place says why
        return;
    }
    std::vector<std::string> names;
    while (const dirent *e = readdir(dir)) names.emplace_back(e->d_name);
    closedir(dir);
    for (const auto &name : names) {
        if (name == "." || name == "..") continue;
        const std::string sub = rel.empty() ? name : rel + "/" + name;
        if (rel.empty() && std::find(std::begin(kNotPlaces), std::end(kNotPlaces), name) != std::end(kNotPlaces))
            continue;
        const std::string path = root + "/" + sub;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            walk(root, sub, out);
        } else if (S_ISREG(st.st_mode) || (S_ISLNK(st.st_mode) && !database_link(root, path))) {
            out.push_back(sub);
        }
        // A link of the database is not listed: its zone is, under its own name.
    }
}

// Levenshtein distance, letters compared without case.
size_t distance(const std::string &a, const std::string &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

std::string last_part(const std::string &name) { return name.substr(name.rfind('/') + 1); }

}  // namespace

// The names in a folder, without "." and "..".
std::vector<std::string> names_in(const std::string &folder) {
    std::vector<std::string> names;
    DIR *dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent *e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

// Compiled zones at the folder's top or one folder down (a scratch folder
// that holds one deep inside has none, and is not walked).
bool holds_compiled_zones(const std::string &tzdir) {
    struct stat st {};
    for (const std::string &name : names_in(tzdir)) {
        const std::string path = tzdir + "/" + name;
        if (is_compiled_zone(path)) return true;
        if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        for (const std::string &inner : names_in(path)) {
            if (is_compiled_zone(path + "/" + inner)) return true;
        }
    }
    return false;
}

std::string database_problem(const std::string &tzdir) {
    struct stat st {};
    if (stat(tzdir.c_str(), &st) != 0) return "cannot read the tz database " + tzdir + ": " + std::strerror(errno);
    bool marked = false;
    for (size_t i = 0; i < kMarkCount; ++i) marked = marked || stat((tzdir + "/" + kMarks[i]).c_str(), &st) == 0;
    if (!marked) return tzdir + " is no tz database: it holds none of tzdata.zi, zone1970.tab and zone.tab";
    return holds_compiled_zones(tzdir) ? "" : "no compiled zones in " + tzdir;
}

std::vector<std::string> not_places() { return {std::begin(kNotPlaces), std::end(kNotPlaces)}; }

std::vector<std::string> list_places(const std::string &tzdir) {
    std::vector<std::string> out;
    if (!database_problem(tzdir).empty()) return out;
    walk(real_path(tzdir), "", out);
    std::sort(out.begin(), out.end());
    return out;
}

TzDatabase tz_database(const std::string &dir) {
    std::string text;
    const std::string tag = "# version ";
    TzDatabase db;
    db.dir = dir;
    const bool tagged = read_file(dir + "/tzdata.zi", text) && text.compare(0, tag.size(), tag) == 0;
    db.version = tagged ? text.substr(tag.size(), text.find('\n') - tag.size()) : "unknown";
    db.problem = database_problem(dir);
    return db;
}

std::string place_name_problem(const std::string &name) {
    // Before anything reads the name through (the nearest names are found
    // in time quadratic in its length): a tz name is a few dozen bytes.
    constexpr size_t kLongestName = 255, kShown = 40;
    if (name.size() > kLongestName) {
        return "a place name of " + std::to_string(name.size()) + " bytes, longer than " +
               std::to_string(kLongestName) + ": " + name.substr(0, kShown) + "...";
    }
    if (name.empty()) return "an empty place name";
    for (const char c : name) {
        if (c == '\0' || is_control(static_cast<unsigned char>(c))) return "a place name with a control character";
    }
    if (name[0] == '/') return "a place name is relative to the database, not " + name;
    for (size_t at = 0; at <= name.size();) {
        const size_t slash = std::min(name.find('/', at), name.size());
        const std::string part = name.substr(at, slash - at);
        if (part.empty() || part == "." || part == "..") {
            return "not a place name (such as Europe/Berlin): " + name + " has " +
                   (part.empty() ? "an empty part" : "a \"" + part + "\" part");
        }
        at = slash + 1;
    }
    return "";
}

Place load_place(const TzDatabase &db, const std::string &name) {
    Place place;
    place.name = name;
    place.tzdata = db.version;
    const auto fail = [&place](ReasonKind kind, const std::string &why) {
        place.problem = {kind, why};
        return place;
    };
    const std::string problem = place_name_problem(name);
    if (!problem.empty()) return fail(ReasonKind::kUnknownPlace, problem);
    // The database's own files and folders (kNotPlaces) hold no places:
    // posix/ and right/ copies of them (right/'s count leap seconds, which no
    // device's clock does), posixrules, the tables.
    const std::string top = name.substr(0, name.find('/'));
    if (std::find(std::begin(kNotPlaces), std::end(kNotPlaces), top) != std::end(kNotPlaces)) {
        return fail(ReasonKind::kUnknownPlace,
                    name + " is " +
                        (top == name ? "one of the tz database's own files and folders, not a place"
                                     : "in " + top + "/, copies of the places; use " + name.substr(top.size() + 1)));
    }
    const std::string root = real_path(db.dir);
    if (root.empty()) return fail(ReasonKind::kUnknownPlace, "cannot read the tz database directory " + db.dir);
    const std::string given = root + "/" + name;
    struct stat st {};
    if (lstat(given.c_str(), &st) != 0) {
        std::string why = "unknown place " + name + " (not in " + db.dir + ")";
        const std::vector<std::string> near = nearest_places(db, name);
        if (db.places.empty()) return fail(ReasonKind::kUnknownPlace, "no compiled zones in " + db.dir);
        for (size_t i = 0; i < near.size(); ++i) why += (i == 0 ? "; did you mean " : " or ") + near[i];
        return fail(ReasonKind::kUnknownPlace, why + (near.empty() ? "" : "?"));
    }
    // Links within the folder are the database's; one leading out is not.
    place.path = real_path(given);
    if (place.path.empty()) {
        return S_ISLNK(st.st_mode) ? fail(ReasonKind::kDanglingLink,
                                          name + " is a link that leads nowhere (" + std::strerror(errno) + ")")
                                   : fail(ReasonKind::kUnreadableZone, name + ": " + std::strerror(errno));
    }
    if (!inside(root, place.path) || !links_stay_inside(root, given)) {
        return fail(ReasonKind::kLinkOutside,
                    name + " is a link that leads out of the tz database " + db.dir + ", to " + place.path);
    }
    if (stat(place.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return fail(S_ISDIR(st.st_mode) ? ReasonKind::kUnknownPlace : ReasonKind::kNotAZone,
                    name + " is " + (S_ISDIR(st.st_mode) ? "a folder of places, not a place" : "not a file"));
    }
    std::string bytes, why;
    if (!read_file(place.path, bytes)) {
        return fail(ReasonKind::kUnreadableZone, name + ": cannot be read: " + std::strerror(errno));
    }
    if (bytes.compare(0, 4, "TZif") != 0) {
        return fail(ReasonKind::kNotAZone, name + ": not a compiled zone (no TZif header)");
    }
    if (!parse_tzif(bytes, place.zone, why)) return fail(ReasonKind::kDamagedZone, name + ": " + why);
    place.ok = true;
    return place;
}

std::vector<std::string> nearest_places(const TzDatabase &db, const std::string &name) {
    if (!db.listed) {
        db.places = list_places(db.dir);
        db.listed = true;
    }
    std::vector<std::pair<size_t, std::string>> scored;
    for (const std::string &place : db.places) {
        const size_t d = std::min(distance(name, place), distance(last_part(name), last_part(place)));
        if (d <= std::max<size_t>(1, name.size() / 6)) scored.emplace_back(d, place);
    }
    std::stable_sort(scored.begin(), scored.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (size_t i = 0; i < scored.size() && i < 3; ++i) out.push_back(scored[i].second);
    return out;
}

}  // namespace qeltz
