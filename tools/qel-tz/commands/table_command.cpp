// SPDX-License-Identifier: MIT
// The command table: every place's schedule, as `places` judges it, made a
// place table for firmware (formats/place_table_source.hpp), or printed as
// JSON for companion apps.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "commands/commands.hpp"
#include "formats/place_table_source.hpp"
#include "judge/schedule.hpp"
#include "judge/verdict.hpp"
#include "system/zone_links.hpp"

namespace qeltz {

namespace {

// A name of a --places file and the line it is on.
struct ListedName {
    std::string name;
    size_t line;
};

// The names of a --places file ("-": standard input), in line order: one a
// line, blank lines and lines starting with '#' left out, spaces around a
// name dropped.
bool read_place_list(const std::string &path, const std::string &file, std::vector<ListedName> &names,
                     std::string &why) {
    struct stat st {};
    if (path != "-" && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        why = file + " is a folder, not a list of places";
        return false;
    }
    std::FILE *f = path == "-" ? stdin : std::fopen(path.c_str(), "r");
    if (f == nullptr) {
        why = "cannot read " + file + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    size_t number = 1;
    for (int c = 0; c != EOF; ++number) {
        line.clear();
        while ((c = std::fgetc(f)) != EOF && c != '\n') line += static_cast<char>(c);
        const size_t a = line.find_first_not_of(" \t\r"), b = line.find_last_not_of(" \t\r");
        if (a != std::string::npos && line[a] != '#') names.push_back({line.substr(a, b - a + 1), number});
    }
    const bool failed = std::ferror(f) != 0;
    if (f != stdin) (void)std::fclose(f);
    if (failed) {
        why = "cannot read " + file;
        return false;
    }
    if (names.empty()) why = file + " names no place";
    return !names.empty();
}

// Writes `text` to `path` through a scratch file beside it and a rename, so
// that a build never sees half a file; a file that already holds the text
// is left as it is (and keeps its time).
bool write_file(const std::string &path, const std::string &text, std::string &why) {
    std::string old;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) old.append(buf, n);
        const bool read = std::ferror(f) == 0;
        (void)std::fclose(f);
        if (read && old == text) return true;
    }
    std::string scratch = path + ".XXXXXX";
    const int fd = mkstemp(scratch.data());
    bool ok = fd >= 0;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        ok = n > 0 || (n < 0 && errno == EINTR);
        if (n > 0) done += static_cast<size_t>(n);
    }
    ok = ok && fchmod(fd, 0644) == 0;
    const int saved = errno;
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (ok && std::rename(scratch.c_str(), path.c_str()) == 0) return true;
    why = "cannot write " + path + ": " + std::strerror(ok ? errno : saved);
    if (fd >= 0) (void)std::remove(scratch.c_str());
    return false;
}

const TableName *name_of(const PlaceTable &t, const std::string &name) {
    for (const TableName &n : t.names) {
        if (n.name == name) return &n;
    }
    return nullptr;
}

using SpanJudgements = std::map<std::string, std::vector<const Judgement *>>;  // by place

void write_table_json(const PlaceTable &t, const SpanJudgements &judged) {
    JsonWriter json(stdout);
    open_output(json, "table").key("tzdata").string(t.tzdata).key("qel_tz").string(t.tool_version);
    json.key("window").object().key("from").string(iso_utc(t.window.from)).key("to").string(iso_utc(t.window.to));
    json.end().key("libraries").array();
    for (const std::string &l : t.libraries) json.string(l);
    json.end().key("places").array(",\n ");
    std::map<std::string, std::vector<std::string>> aliases;
    for (const TableName &n : t.names) {
        if (!n.target.empty()) aliases[n.target].push_back(n.name);
    }
    for (const TableName &n : t.names) {
        if (!n.target.empty()) continue;
        json.object().key("place").string(n.name).key("aliases").array();
        for (const std::string &a : aliases[n.name]) json.string(a);
        json.end().key("spans").array();
        for (size_t i = 0; i < n.spans.size(); ++i) {
            const TableSpan &s = n.spans[i];
            const Judgement &j = *judged.at(n.name)[i];
            json.object().key("from").string(iso_utc(s.span.from)).key("until").string(iso_utc(s.span.to));
            json.key("record");
            write_record(json, s.has_record ? &s.record : nullptr);
            json.key("tz").string_or_null(s.has_record ? j.tz : "");
            json.key("tz_verdict").string(verdict_name(j.tz_verdict));
            // What the span holds: none, the nearest record, or one whose TZ
            // string is exact or offsets for every library (its verdict).
            json.key("in_table")
                .string(!s.has_record   ? "absent"
                        : s.approximate ? "approximate"
                                        : verdict_name(j.tz_verdict));
            json.key("approximate");
            if (s.approximate) {
                json.object().key("cost").string(s.note).key("hours_wrong").decimal(j.hours_wrong()).end();
            } else {
                json.null();
            }
            json.key("reasons");
            write_reasons(json, s.has_record ? std::vector<Reason>{} : j.reasons);
            json.end();
        }
        json.end().end();
    }
    json.end().end();
}

}  // namespace

int run_table(const Request &r) {
    const TzDatabase db = tz_database(tzdir_of(r));
    if (!db.problem.empty()) return complain(kBadInput, db.problem);
    std::vector<std::string> names;
    std::string why;
    const std::vector<CLibrary> libraries = libraries_of(r);
    const Window window = from_year_start(r.window);
    Engine engine(window, libraries);
    if (r.places_file.empty()) {
        names = list_places(db.dir);
    } else {
        // Every name of the list that is no place, in line order, the first
        // kMostShown of them on a line each.
        constexpr size_t kMostShown = 20;
        const std::string file = r.places_file == "-" ? "standard input" : r.places_file;
        std::vector<ListedName> listed;
        if (!read_place_list(r.places_file, file, listed, why)) return complain(kBadInput, why);
        size_t wrong = 0;
        for (const ListedName &n : listed) {
            const Place &p = engine.place_at(engine.place(db, n.name));
            if (!p.ok && ++wrong <= kMostShown) {
                (void)complain(kBadInput, file + ":" + std::to_string(n.line) + ": " + p.problem.text);
            }
            names.push_back(n.name);
        }
        if (wrong > kMostShown) (void)complain(kBadInput, "and " + std::to_string(wrong - kMostShown) + " more");
        if (wrong > 0) {
            return complain(kBadInput, file + ": " + std::to_string(wrong) + (wrong == 1 ? " name" : " names") +
                                           " of no place; no table written");
        }
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
    }
    if (names.empty()) return complain(kBadInput, "no places in " + db.dir);
    const Progress progress = progress_line();

    // Every place and its schedule, judged in one run as places judges them.
    std::vector<std::vector<size_t>> spans(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const size_t place = engine.place(db, names[i]);
        const Place &p = engine.place_at(place);
        if (!p.ok) return complain(kBadInput, names[i] + ": " + p.problem.text);
        spans[i] = ask_schedule(engine, place, engine.derived(place));
    }
    const bool ran = engine.run(why, progress);
    end_progress(progress);
    if (!ran) return complain(kFailure, why);

    // A span holds the record the schedule would send (sendable), else none.
    PlaceTable table;
    table.tzdata = db.version;
    table.tool_version = QEL_VERSION;
    table.window = window;
    for (const CLibrary &l : libraries) table.libraries.push_back(l.label());
    SpanJudgements judged;
    for (size_t i = 0; i < names.size(); ++i) {
        TableName n{names[i], "", {}};
        for (const size_t s : spans[i]) {
            const Judgement &j = engine.result(s);
            judged[names[i]].push_back(&j);
            TableSpan span;
            span.span = j.window;
            span.has_record = sendable(j);
            span.record = j.record;
            span.approximate = span.has_record && !j.approximate.empty();
            span.note = span.approximate                       ? j.approximate
                        : span.has_record || j.reasons.empty() ? ""
                                                               : j.reasons[0].text;
            n.spans.push_back(span);
        }
        table.names.push_back(std::move(n));
    }
    if (r.links) {
        std::vector<TableName> aliases;
        for (const auto &[link, target] : zone_links(db.dir)) {
            const TableName *t = name_of(table, target);
            if (t != nullptr && name_of(table, link) == nullptr) aliases.push_back({link, target, t->spans});
        }
        table.names.insert(table.names.end(), aliases.begin(), aliases.end());
    }
    std::sort(table.names.begin(), table.names.end(),
              [](const TableName &a, const TableName &b) { return a.name < b.name; });
    for (const TableName &n : table.names) {
        for (const TableSpan &s : n.spans) {
            if (n.target.empty() && (!s.has_record || s.approximate)) {
                note(n.name + (s.has_record ? ": approximate from " : ": no record from ") + iso_utc(s.span.from) +
                     " to " + iso_utc(s.span.to) + ": " + s.note);
            }
        }
    }
    if (r.json) {
        write_table_json(table, judged);
        return kDone;
    }
    std::string header, source;
    // What the table's form cannot hold is the request's: fewer places or a shorter window.
    if (!place_table_source(table, header, source, why)) return complain(kBadInput, why);
    if (mkdir(r.out.c_str(), 0777) != 0 && errno != EEXIST) {
        return complain(kBadInput, "cannot make the folder " + r.out + ": " + std::strerror(errno));
    }
    if (!write_file(r.out + "/qel_places.h", header, why) || !write_file(r.out + "/qel_places.c", source, why)) {
        return complain(kBadInput, why);
    }
    std::printf("%s/qel_places.h, %s/qel_places.c: %zu names, tz database %s, window %s\n", r.out.c_str(),
                r.out.c_str(), table.names.size(), table.tzdata.c_str(), window.text().c_str());
    return kDone;
}

}  // namespace qeltz
