// The commands on places of the tz database: place, places, check.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "commands.hpp"
#include "json.hpp"
#include "place_check.hpp"
#include "verdict.hpp"
#include "zic_texts.hpp"
#include "zone_links.hpp"

namespace qeltz {

namespace {

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

void write_check(JsonWriter &json, const PlaceCheck &c) {
    json.object().key("place").string(c.place).key("tzdata").string(c.tzdata);
    json.key("years").array().number(c.years.first).number(c.years.last).end();
    json.key("record");
    if (c.has_record) {
        write_record(json, c.record);
    } else {
        json.null();
    }
    json.key("tz");
    write_text_or_null(json, c.tz);
    json.key("zic");
    write_text_or_null(json, c.zic);
    json.key("tz_verdict").string(verdict_name(c.tz_verdict)).key("zic_verdict").string(verdict_name(c.zic_verdict));
    json.key("reasons").array();
    for (const auto &reason : c.reasons) json.string(reason);
    json.end().key("differences").array();
    for (const auto *cmp : {&c.tz_comparison, &c.zic_comparison}) {
        for (const auto &d : cmp->differences) {
            json.object().key("utc").string(date_time_text(d.utc).replace(10, 1, "T") + "Z");
            json.key("source").string(cmp == &c.tz_comparison ? "tz" : "zic").key("expected");
            write_span(json, d.expected);
            json.key("got");
            write_span(json, d.got);
            json.end();
        }
    }
    json.end().end();
}

void print_differences(const char *what, const Comparison &cmp) {
    if (cmp.differences.empty()) return;
    std::printf("differences, %s (%zu, %.1f hours of wrong local time):\n", what, cmp.differences.size(),
                static_cast<double>(cmp.wrong_seconds) / 3600.0);
    size_t shown = 0;
    for (const auto &d : cmp.differences) {
        if (++shown > 12) {
            std::printf("  ... and %zu more (--json lists them all)\n", cmp.differences.size() - 12);
            break;
        }
        std::printf("  %s UTC for %.1f h: place %s %s (%s), record %s %s (%s)\n", date_time_text(d.utc).c_str(),
                    static_cast<double>(d.until - d.utc) / 3600.0,
                    date_time_text(d.utc, d.expected.offset).substr(11).c_str(), d.expected.abbr.c_str(),
                    utc_offset_text(d.expected.offset).c_str(), date_time_text(d.utc, d.got.offset).substr(11).c_str(),
                    d.got.abbr.c_str(), utc_offset_text(d.got.offset).c_str());
    }
}

void print_check(const PlaceCheck &c) {
    std::printf("place:        %s (tz database %s, years %d-%d)\n", c.place.c_str(), c.tzdata.c_str(), c.years.first,
                c.years.last);
    std::printf("place's rule: %s\n", c.rule_line.empty() ? "(none)" : c.rule_line.c_str());
    std::printf("record:       %s\n", c.has_record ? describe(c.record).c_str() : "(none)");
    std::printf("TZ string:    %s\n", c.tz.empty() ? "(none)" : c.tz.c_str());
    if (!c.zic.empty()) print_zic_text(c.zic);
    std::printf("TZ verdict:   %s\n", verdict_name(c.tz_verdict));
    std::printf("zic verdict:  %s\n", verdict_name(c.zic_verdict));
    for (const auto &reason : c.reasons) std::printf("  - %s\n", reason.c_str());
    print_differences("TZ string", c.tz_comparison);
    print_differences("zic text", c.zic_comparison);
}

int status_of(const PlaceCheck &c) {
    return c.tz_verdict == Verdict::kExact || c.tz_verdict == Verdict::kOffsetsAgree ? kDone : kFailure;
}

// Loads the place, runs `check` on it and prints the result.
template <typename Check>
int run_one(const Request &r, const std::string &name, Check check) {
    Place place;
    std::string why;
    if (!load_place(tz_database(tzdir_of(r)), name, r.years, place, why)) return complain(kBadInput, why);
    const ZicWorkspace zic;
    const PlaceCheck c = check(place, zic);
    if (r.json) {
        JsonWriter json(stdout);
        write_check(json, c);
    } else {
        print_check(c);
    }
    return status_of(c);
}

// The kind of a reason, for the summary of places: its words without the
// particulars (names, offsets, rules, years).
std::string reason_kind(const std::string &reason) {
    static const char *const kKinds[][2] = {
        {"abbreviation", "abbreviation written with the catalogue's name"},
        {"counts", "daylight flag differs (the catalogue's daylight time is the summer one)"},
        {"week 5 is written", "zic text: week 5 is \"on or after the 29th\""},
        {"not given", "rule line leaves out a daylight offset or rule time (the default taken)"},
        {"negative daylight saving", "negative daylight saving rewritten"},
        {"written as", "rule rewritten to an equivalent the record holds"},
        {"has no equivalent", "a rule time or day the record cannot hold"},
        {"is not one of the catalogue", "a standard offset outside the catalogue"},
        {"daylight saving of", "a daylight amount the TZ string cannot carry"},
        {"no yearly rule", "changes that follow no yearly rule"},
        {"zic refuses", "zic refuses the zic text"},
    };
    const std::string where = reason.rfind("zic text: ", 0) == 0 ? "zic text: " : "";
    for (const auto &k : kKinds) {
        if (reason.find(k[0]) != std::string::npos) return k[1][0] == 'z' ? k[1] : where + k[1];
    }
    return reason;
}

}  // namespace

int run_place(const Request &r) {
    return run_one(r, r.arguments[0], [](const Place &p, const ZicWorkspace &zic) { return check_derived(p, zic); });
}

int run_check(const Request &r) {
    return run_one(r, r.place, [&](const Place &p, const ZicWorkspace &zic) {
        return r.has_record() ? check_record(p, r.record, zic) : check_tz_string(p, r.tz, zic);
    });
}

int run_places(const Request &r) {
    const TzDatabase db = tz_database(tzdir_of(r));
    const std::vector<std::string> names = list_places(db.dir);
    if (names.empty()) return complain(kBadInput, "no compiled zones in " + db.dir);
    const std::string &version = db.version;
    const bool progress = isatty(STDERR_FILENO) != 0;
    // Every place read first, so that zic compiles all the records' texts in one run.
    std::vector<Place> places(names.size());
    std::vector<std::string> unreadable(names.size()), texts;
    for (size_t i = 0; i < names.size(); ++i) {
        if (load_place(db, names[i], r.years, places[i], unreadable[i])) texts.push_back(derived_zic_text(places[i]));
    }
    ZicWorkspace zic;
    zic.compile_all(texts);
    std::map<std::string, std::string> links;  // of each place, by its name
    for (const auto &[link, target] : zone_links(db.dir)) links[target] += (links[target].empty() ? "" : " ") + link;
    std::map<std::string, int> tz_counts, zic_counts;
    std::map<std::string, int> reason_counts;
    JsonWriter json(stdout);
    if (r.json) json.array(",\n ");
    if (r.csv) {
        std::printf(
            "place,tzdata,first_year,last_year,zone,dst_on,dst_minutes,start,end,tz,tz_verdict,zic_verdict,"
            "valid_through,links,reasons\n");
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (progress) (void)std::fprintf(stderr, "\r%zu of %zu places: %-40s", i + 1, names.size(), names[i].c_str());
        PlaceCheck c;
        if (unreadable[i].empty()) {
            c = check_derived(places[i], zic);
        } else {
            c = check_of(places[i]);
            c.reasons.push_back(unreadable[i]);
        }
        ++tz_counts[verdict_name(c.tz_verdict)];
        ++zic_counts[verdict_name(c.zic_verdict)];
        std::map<std::string, bool> kinds;  // each kind once a place
        for (const auto &reason : c.reasons) kinds[reason_kind(reason)] = true;
        for (const auto &k : kinds) ++reason_counts[k.first];
        std::string joined;
        for (const auto &reason : c.reasons) joined += (joined.empty() ? "" : "; ") + reason;
        if (r.json) {
            write_check(json, c);
        } else if (r.csv) {
            std::printf("%s,%s,%d,%d,%s,%s,%s,%s,%s,%s,%s\n", csv_field(c.place).c_str(), csv_field(version).c_str(),
                        c.years.first, c.years.last, record_cells(c.has_record ? &c.record : nullptr).c_str(),
                        csv_field(c.tz).c_str(), verdict_name(c.tz_verdict), verdict_name(c.zic_verdict),
                        c.valid_through != 0 ? std::to_string(c.valid_through).c_str() : "",
                        csv_field(links[c.place]).c_str(), csv_field(joined).c_str());
        } else {
            std::printf("%-32s %-15s %-15s %s\n", c.place.c_str(), verdict_name(c.tz_verdict),
                        verdict_name(c.zic_verdict), c.tz.empty() ? "-" : c.tz.c_str());
        }
    }
    if (progress) (void)std::fprintf(stderr, "\r%80s\r", "");
    if (r.json) json.end();
    if (!r.json && !r.csv) {
        std::printf("\n%zu places of tz database %s, years %d-%d\n", names.size(), version.c_str(), r.years.first,
                    r.years.last);
        for (const char *v : {"exact", "offsets", "differs", "unrepresentable"}) {
            std::printf("  %-16s TZ string %4d   zic text %4d\n", v, tz_counts[v], zic_counts[v]);
        }
        std::printf("commonest reasons (places):\n");
        std::multimap<int, std::string, std::greater<>> by_count;
        for (const auto &[reason, n] : reason_counts) by_count.emplace(n, reason);
        int shown = 0;
        for (const auto &[n, reason] : by_count) {
            if (shown++ == 12) break;
            std::printf("  %4d  %s\n", n, reason.c_str());
        }
    }
    return kDone;
}

}  // namespace qeltz
