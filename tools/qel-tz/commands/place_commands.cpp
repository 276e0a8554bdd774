// SPDX-License-Identifier: MIT
// The commands on places of the tz database: place, places, check.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "judge/engine.hpp"
#include "commands/commands.hpp"
#include "formats/escaping.hpp"
#include "formats/json.hpp"
#include "judge/verdict.hpp"
#include "system/zone_links.hpp"

namespace qeltz {

namespace {

// The C libraries that read the TZ strings: --libc's, or every one this
// qel-tz has (the option is refused for a library it does not have).
std::vector<CLibrary> judges_of(const Request &r) {
    std::vector<CLibrary> all = c_libraries();
    if (r.libc == "all") return all;
    const CLibrary *one = find_library(all, r.libc);
    return one != nullptr ? std::vector<CLibrary>{*one} : std::vector<CLibrary>{};
}

// "glibc 2.36, musl 1.2.3", and what "all" meant where musl is missing.
std::string read_by(const Request &r, const std::vector<CLibrary> &judges) {
    std::string s;
    for (const CLibrary &library : judges) s += (s.empty() ? "" : ", ") + library.label();
    if (r.libc == "all" && find_library(judges, "musl") == nullptr) {
        s += " (all this qel-tz has: it was built without the musl reader)";
    }
    return s;
}

// One line on stderr, rewritten as the work goes on, where stderr is a
// terminal; nothing elsewhere.
Progress progress_line() {
    if (isatty(STDERR_FILENO) == 0) return {};
    return [](const std::string &what) { (void)std::fprintf(stderr, "\r%-100.100s", shown(what).c_str()); };
}

void end_progress(const Progress &progress) {
    if (progress) (void)std::fprintf(stderr, "\r%100s\r", "");
}

void write_span(JsonWriter &json, const Span &s) {
    json.object().key("offset").number(s.offset).key("isdst").boolean(s.isdst).key("abbr").string(s.abbr).end();
}

void write_text_or_null(JsonWriter &json, const std::string &s) {
    if (s.empty()) {
        json.null();
    } else {
        json.string(s);
    }
}

void write_record_or_null(JsonWriter &json, bool has, const qel_tzset &record) {
    if (has) {
        write_record(json, record);
    } else {
        json.null();
    }
}

void write_differences(JsonWriter &json, const char *source, const std::string &library, const Comparison &cmp) {
    for (const auto &d : cmp.differences) {
        json.object().key("utc").string(date_time_text(d.utc).replace(10, 1, "T") + "Z");
        json.key("source").string(source).key("library").string(library).key("expected");
        write_span(json, d.expected);
        json.key("got");
        write_span(json, d.got);
        json.end();
    }
}

void write_check(JsonWriter &json, const PlaceCheck &c) {
    json.object().key("place").string(c.place).key("tzdata").string(c.tzdata);
    json.key("years").array().number(c.years.first).number(c.years.last).end();
    json.key("libraries").array();
    for (const std::string &library : c.libraries) json.string(library);
    json.end().key("record");
    write_record_or_null(json, c.has_record, c.record);
    json.key("record_from_tz");
    write_record_or_null(json, c.tz_given && c.has_record, c.record);
    json.key("tz");
    write_text_or_null(json, c.tz);
    json.key("zic");
    write_text_or_null(json, c.zic);
    json.key("tz_verdict").string(verdict_name(c.tz_verdict)).key("zic_verdict").string(verdict_name(c.zic_verdict));
    json.key("reasons");
    write_reasons(json, c.reasons);
    json.key("differences").array();
    for (const LibraryComparison &read : c.tz_comparisons) write_differences(json, "tz", read.library, read.comparison);
    write_differences(json, "zic", c.zic_library, c.zic_comparison);
    json.end().end();
}

bool same_differences(const Comparison &a, const Comparison &b) {
    return std::equal(a.differences.begin(), a.differences.end(), b.differences.begin(), b.differences.end(),
                      [](const Difference &x, const Difference &y) {
                          return x.utc == y.utc && x.until == y.until && same_local_time(x.expected, y.expected) &&
                                 same_local_time(x.got, y.got);
                      });
}

void print_differences(const std::string &what, const Comparison &cmp) {
    if (cmp.differences.empty()) return;
    std::printf("differences, %s (%zu, %.1f hours of wrong local time):\n", what.c_str(), cmp.differences.size(),
                static_cast<double>(cmp.wrong_seconds) / 3600.0);
    size_t shown_count = 0;
    for (const auto &d : cmp.differences) {
        if (++shown_count > 12) {
            std::printf("  ... and %zu more (--json lists them all)\n", cmp.differences.size() - 12);
            break;
        }
        std::printf("  %s UTC for %.1f h: place %s %s (%s), record %s %s (%s)\n", date_time_text(d.utc).c_str(),
                    static_cast<double>(d.until - d.utc) / 3600.0,
                    date_time_text(d.utc, d.expected.offset).substr(11).c_str(), shown(d.expected.abbr).c_str(),
                    utc_offset_text(d.expected.offset).c_str(), date_time_text(d.utc, d.got.offset).substr(11).c_str(),
                    shown(d.got.abbr).c_str(), utc_offset_text(d.got.offset).c_str());
    }
}

void print_check(const PlaceCheck &c, const std::string &read_by) {
    std::printf("place:          %s (tz database %s, years %d-%d)\n", shown(c.place).c_str(), shown(c.tzdata).c_str(),
                c.years.first, c.years.last);
    std::printf("place's rule:   %s\n", c.rule_line.empty() ? "(none)" : shown(c.rule_line).c_str());
    std::printf("record:         %s\n", c.has_record ? describe(c.record).c_str() : "(none)");
    std::printf("TZ string:      %s\n", c.tz.empty() ? "(none)" : shown(c.tz).c_str());
    if (c.tz_given) {
        std::printf(
            "record from TZ: %s\n",
            c.has_record
                ? describe(c.record).c_str()
                : ("the device library refuses this string (" + std::to_string(c.tz_read_status) + ")").c_str());
    }
    if (!c.zic.empty()) print_zic_text(c.zic);
    std::printf("read by:        %s\n", shown(read_by).c_str());
    std::printf("TZ verdict:     %s\n", verdict_name(c.tz_verdict));
    std::printf("zic verdict:    %s\n", verdict_name(c.zic_verdict));
    for (const Reason &reason : c.reasons)
        std::printf("  - %s [%s]\n", shown(reason.text).c_str(), kind_word(reason.kind));
    // Libraries that read the string with the same differences share a list.
    for (size_t i = 0; i < c.tz_comparisons.size();) {
        std::string who = c.tz_comparisons[i].library;
        size_t j = i + 1;
        for (; j < c.tz_comparisons.size() &&
               same_differences(c.tz_comparisons[i].comparison, c.tz_comparisons[j].comparison);
             ++j) {
            who += ", " + c.tz_comparisons[j].library;
        }
        print_differences("TZ string as " + who + (j - i > 1 ? " read it" : " reads it"),
                          c.tz_comparisons[i].comparison);
        i = j;
    }
    print_differences("zic text as " + c.zic_library + " reads zic's output", c.zic_comparison);
}

// The exit status follows the TZ string's verdict: what the C libraries make
// of the string a device would be given.
int status_of(const PlaceCheck &c) {
    return c.tz_verdict == Verdict::kExact || c.tz_verdict == Verdict::kOffsetsAgree ? kDone : kFailure;
}

// Loads the place, adds its check to a run with `add`, runs it and prints the result.
template <typename Add>
int run_one(const Request &r, const std::string &name, Add add) {
    Place place;
    std::string why;
    if (!load_place(tz_database(tzdir_of(r)), name, r.years, place, why)) return complain(kBadInput, why);
    const std::vector<CLibrary> judges = judges_of(r);
    CheckRun run(judges, r.years);
    const size_t i = add(run, place);
    const ZicWorkspace zic;
    if (!run.run(zic, why)) return complain(kFailure, why);
    const PlaceCheck &c = run.check(i);
    if (r.json) {
        JsonWriter json(stdout);
        write_check(json, c);
    } else {
        print_check(c, read_by(r, judges));
    }
    return status_of(c);
}

// The summary of places: verdicts counted, and reasons by kind, each kind
// once a place.
struct Summary {
    std::map<std::string, int> tz, zic;
    int reasons[static_cast<size_t>(ReasonKind::kCount)] = {};

    void add(const PlaceCheck &c) {
        ++tz[verdict_name(c.tz_verdict)];
        ++zic[verdict_name(c.zic_verdict)];
        bool seen[static_cast<size_t>(ReasonKind::kCount)] = {};
        for (const Reason &reason : c.reasons) seen[static_cast<size_t>(reason.kind)] = true;
        for (size_t k = 0; k < static_cast<size_t>(ReasonKind::kCount); ++k) reasons[k] += seen[k];
    }
    // The kinds that occur, the commonest first.
    std::vector<ReasonKind> kinds() const {
        std::vector<ReasonKind> out;
        for (size_t k = 0; k < static_cast<size_t>(ReasonKind::kCount); ++k) {
            if (reasons[k] > 0) out.push_back(static_cast<ReasonKind>(k));
        }
        std::stable_sort(out.begin(), out.end(), [this](ReasonKind a, ReasonKind b) {
            return reasons[static_cast<size_t>(a)] > reasons[static_cast<size_t>(b)];
        });
        return out;
    }
};

const char *const kVerdicts[] = {"exact", "offsets", "differs", "unrepresentable"};

void write_summary(JsonWriter &json, size_t places, Summary &s) {
    json.object().key("places").number(static_cast<int64_t>(places));
    for (auto *counts : {&s.tz, &s.zic}) {
        json.key(counts == &s.tz ? "tz_verdict" : "zic_verdict").object();
        for (const char *v : kVerdicts) json.key(v).number((*counts)[v]);
        json.end();
    }
    json.key("reasons").object();
    for (const ReasonKind kind : s.kinds()) json.key(kind_word(kind)).number(s.reasons[static_cast<size_t>(kind)]);
    json.end().end();
}

void print_summary(size_t places, const std::string &version, Years years, const std::string &read_by, Summary &s) {
    std::printf("\n%zu places of tz database %s, years %d-%d\n", places, shown(version).c_str(), years.first,
                years.last);
    std::printf("TZ strings read by %s\n", shown(read_by).c_str());
    for (const char *v : kVerdicts) std::printf("  %-16s TZ string %4d   zic text %4d\n", v, s.tz[v], s.zic[v]);
    std::printf("reasons by kind (places):\n");
    for (const ReasonKind kind : s.kinds()) {
        std::printf("  %4d  %-24s %s\n", s.reasons[static_cast<size_t>(kind)], kind_word(kind), kind_meaning(kind));
    }
}

}  // namespace

int run_place(const Request &r) {
    return run_one(r, r.arguments[0], [](CheckRun &run, Place &p) { return run.derived(p); });
}

int run_check(const Request &r) {
    return run_one(r, r.place, [&](CheckRun &run, Place &p) {
        return r.has_record() ? run.record(p, r.record) : run.tz_string(p, r.tz);
    });
}

int run_places(const Request &r) {
    const TzDatabase db = tz_database(tzdir_of(r));
    const std::vector<std::string> names = list_places(db.dir);
    if (names.empty()) return complain(kBadInput, "no compiled zones in " + db.dir);
    const std::string &version = db.version;
    const Progress progress = progress_line();
    const std::vector<CLibrary> judges = judges_of(r);

    // Every place is loaded and its record derived, then checked in one run.
    std::vector<Place> places(names.size());
    std::vector<PlaceCheck> checks(names.size());
    std::vector<size_t> in_run(names.size(), SIZE_MAX);
    CheckRun run(judges, r.years);
    for (size_t i = 0; i < names.size(); ++i) {
        if (progress) progress(std::to_string(i + 1) + " of " + std::to_string(names.size()) + " places read");
        std::string why;
        ReasonKind kind{};
        if (load_place(db, names[i], r.years, places[i], why, &kind)) {
            in_run[i] = run.derived(places[i]);
        } else {
            checks[i] = check_of(places[i]);
            for (const CLibrary &library : judges) checks[i].libraries.push_back(library.label());
            checks[i].reasons.push_back({kind, why});
        }
    }
    ZicWorkspace zic;
    if (progress) progress("compiling the zic texts");
    zic.compile_all(run.zic_texts());
    std::string error;
    const bool ran = run.run(zic, error, progress);
    end_progress(progress);
    if (!ran) return complain(kFailure, error);

    Summary summary;
    JsonWriter json(stdout);
    if (r.json) {
        json.object().key("tzdata").string(version);
        json.key("years").array().number(r.years.first).number(r.years.last).end();
        json.key("libraries").array();
        for (const CLibrary &library : judges) json.string(library.label());
        json.end().key("places").array(",\n ");
    }
    std::map<std::string, std::string> links;  // of each place, by its name
    for (const auto &[link, target] : zone_links(db.dir)) links[target] += (links[target].empty() ? "" : " ") + link;
    if (r.csv) {
        std::printf(
            "place,tzdata,first_year,last_year,zone,dst_on,dst_minutes,start,end,tz,tz_verdict,zic_verdict,"
            "valid_through,links,reasons\n");
    }
    for (size_t i = 0; i < names.size(); ++i) {
        PlaceCheck &c = checks[i];
        if (in_run[i] != SIZE_MAX) c = std::move(run.check(in_run[i]));
        summary.add(c);
        std::string joined;
        for (const auto &reason : c.reasons) joined += (joined.empty() ? "" : "; ") + reason.text;
        if (r.json) {
            write_check(json, c);
        } else if (r.csv) {
            std::printf("%s,%s,%d,%d,%s,%s,%s,%s,%s,%s,%s\n", csv_field(c.place).c_str(), csv_field(version).c_str(),
                        c.years.first, c.years.last, record_cells(c.has_record ? &c.record : nullptr).c_str(),
                        csv_field(c.tz).c_str(), verdict_name(c.tz_verdict), verdict_name(c.zic_verdict),
                        c.valid_through != 0 ? std::to_string(c.valid_through).c_str() : "",
                        csv_field(links[c.place]).c_str(), csv_field(joined).c_str());
        } else {
            std::printf("%-32s %-15s %-15s %s\n", shown(c.place).c_str(), verdict_name(c.tz_verdict),
                        verdict_name(c.zic_verdict), c.tz.empty() ? "-" : shown(c.tz).c_str());
        }
    }
    if (r.json) {
        json.end().key("summary");
        write_summary(json, names.size(), summary);
        json.end();
    } else if (!r.csv) {
        print_summary(names.size(), version, r.years, read_by(r, judges), summary);
    }
    return kDone;
}

}  // namespace qeltz
