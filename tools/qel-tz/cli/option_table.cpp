// SPDX-License-Identifier: MIT
// The options of qel-tz, a row each (cli.hpp says what a row holds), with how
// each reads and stores its value. --help lists them in this order.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "cli/cli.hpp"
#include "formats/posix_tz.hpp"
#include "judge/catalogue_view.hpp"
#include "judge/derive.hpp"
#include "system/libraries.hpp"

namespace qeltz {

namespace {

// A whole decimal number within [lo, hi], computed wide.
bool whole_number(const std::string &s, long long lo, long long hi, long long &out) {
    if (s.empty() || s.size() > 12) return false;
    char *end = nullptr;
    errno = 0;
    out = std::strtoll(s.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && out >= lo && out <= hi;
}

// --zone: a code of the catalogue, short or long (stored as given), or an
// offset +hh:mm / -hh:mm (stored as the zone's long code).
bool store_zone(const std::string &v, Request &r, std::string &error) {
    const std::string refused = " is not in the catalogue (qel-tz zones lists its 35 zones)";
    const size_t colon = v.find(':');
    if (!v.empty() && (v[0] == '+' || v[0] == '-') && colon != std::string::npos) {
        long long h = 0, m = 0;
        if (!whole_number(v.substr(1, colon - 1), 0, 14, h) || !whole_number(v.substr(colon + 1), 0, 59, m)) {
            error = "zone offset " + v + " is not +hh:mm or -hh:mm within 14 hours";
            return false;
        }
        const CatalogueZone *zone = zone_by_minutes((v[0] == '-' ? -1 : 1) * (h * 60 + m));
        if (zone == nullptr) {
            error = "zone offset " + v + refused;
            return false;
        }
        r.record.zone = zone->code;
        return true;
    }
    long long n = 0;
    if (!whole_number(v, INT32_MIN, INT32_MAX, n)) {
        error = "zone code " + v + " is not a number";
        return false;
    }
    if (qel::tz::find_zone(static_cast<int32_t>(n)) == nullptr) {
        error = "zone code " + v + refused;
        return false;
    }
    r.record.zone = static_cast<int32_t>(n);
    return true;
}

bool store_dst(const std::string &v, Request &r, std::string &error) {
    long long minutes = 0;
    if (!whole_number(v, INT32_MIN, INT32_MAX, minutes) || !tz_string_carries(static_cast<int32_t>(minutes))) {
        error = "daylight amount " + v + " minutes: a TZ string carries only 30, 60, 90 or 120";
        return false;
    }
    r.record.dst_on = 1;
    r.record.dst_minutes = static_cast<int32_t>(minutes);
    return true;
}

// --start, --end: a rule the record holds, Mmonth.week.weekday[/time].
bool store_rule(const char *which, const std::string &v, qel_tzrule &rule, std::string &error) {
    PosixRule r;
    std::string why;
    if (!parse_posix_rule(v, r, why)) {
        const std::string prefix = "the rule ";
        error = std::string(which) + " rule " + v + ": " +
                (why.compare(0, prefix.size(), prefix) == 0 ? why.substr(prefix.size()) : why);
        return false;
    }
    if (!record_can_hold(r)) {
        error = std::string(which) + " rule " + v +
                ": a record holds only Mmonth.week.weekday rules at 00:00:00 to 24:00:00";
        return false;
    }
    rule = record_rule(r);
    return true;
}

bool store_start(const std::string &v, Request &r, std::string &error) {
    return store_rule("start", v, r.record.start, error);
}

bool store_end(const std::string &v, Request &r, std::string &error) {
    return store_rule("end", v, r.record.end, error);
}

// --tz: any TZ string of the POSIX grammar.
bool store_tz(const std::string &v, Request &r, std::string &error) {
    PosixTz any;
    std::string why;
    if (!parse_posix_tz(v, any, why)) {
        error = "not a TZ string: " + v + ": " + why;
        return false;
    }
    r.tz = v;
    return true;
}

// --years A-B, or one year A, each from 1900 to 2400.
bool store_years(const std::string &v, Request &r, std::string &error) {
    const size_t dash = v.find('-', 1);
    const std::string last = dash == std::string::npos ? v : v.substr(dash + 1);
    long long a = 0, b = 0;
    if (!whole_number(v.substr(0, dash), 1900, 2400, a) || !whole_number(last, 1900, 2400, b)) {
        error = "years " + v + " are not A-B or A, each from 1900 to 2400";
        return false;
    }
    if (a > b) {
        error = "years " + v + ": the first is after the last";
        return false;
    }
    r.window = years_window(static_cast<int>(a), static_cast<int>(b));
    return true;
}

// --tzdir, --out: a folder, never the empty text (which would be the working folder).
template <std::string Request::*Field>
bool store_folder(const std::string &v, Request &r, std::string &error) {
    if (v.empty()) {
        error = std::string(Field == &Request::out ? "--out" : "--tzdir") + " needs a folder, not an empty text";
        return false;
    }
    r.*Field = v;
    return true;
}

// --html: a file name, never the empty text.
bool store_html(const std::string &v, Request &r, std::string &error) {
    if (v.empty()) error = "--html needs a file name, not an empty text";
    r.html = v;
    return !v.empty();
}

// --libc: all, or library names separated by commas; a library this qel-tz
// has no reader for is refused here, before anything runs.
bool store_libc(const std::string &v, Request &r, std::string &error) {
    r.libraries = choose_libraries(v);
    if (!r.libraries.problem.empty()) {
        error = "--libc " + r.libraries.problem;
        return false;
    }
    r.libc = v;
    return true;
}

// --place: the text as it is.
template <std::string Request::*Field>
bool store_text(const std::string &v, Request &r, std::string & /*error*/) {
    r.*Field = v;
    return true;
}

// A switch: --csv, --json, --help, --version.
template <bool Request::*Flag>
bool store_switch(const std::string & /*v*/, Request &r, std::string & /*error*/) {
    r.*Flag = true;
    return true;
}

// clang-format off
constexpr Option kOptions[] = {
    // id, name, argument, reach, store,
    // text
    {Opt::kZone, "--zone", "ZONE", Option::kListed, store_zone,
     "the standard time: a zone code of the catalogue, 100 + hours (88..114) or 10000 +/- hhmm (9570, 10545), or "
     "an offset from UTC such as +05:45 or -03:30"},
    {Opt::kDst, "--dst", "MINUTES", Option::kListed, store_dst,
     "turn daylight saving on, MINUTES ahead of standard time: 30, 60, 90 or 120"},
    {Opt::kStart, "--start", "RULE", Option::kListed, store_start,
     "when daylight time starts: Mmonth.week.weekday[/hh[:mm[:ss]]], e.g. M3.5.0/02:00:00 (week 5 is the last, "
     "weekday 0 is Sunday, the time 00:00:00 to 24:00:00, 02:00:00 when left out)"},
    {Opt::kEnd, "--end", "RULE", Option::kListed, store_end,
     "when daylight time ends, e.g. M10.5.0/03:00:00"},
    {Opt::kTz, "--tz", "TZ", Option::kListed, store_tz,
     "a TZ string to check, in the full POSIX form (<+0545>-5:45, Jn and n days, times of -167 to 167 hours)"},
    {Opt::kPlace, "--place", "NAME", Option::kListed, store_text<&Request::place>,
     "the place to check against, such as America/New_York"},
    {Opt::kYears, "--years", "A-B", Option::kListed, store_years,
     "judge whole years A-B, or one year A, instead of the default window: from the start of this hour (UTC) to "
     "the end of the tenth year after this one"},
    {Opt::kTzdir, "--tzdir", "DIR", Option::kListed, store_folder<&Request::tzdir>,
     "the tz database (default: $TZDIR, else /usr/share/zoneinfo)"},
    {Opt::kLibc, "--libc", "LIB", Option::kListed, store_libc,
     "the C libraries that read the TZ strings: linux (glibc, musl and uClibc-ng, the default), all (newlib for "
     "microcontrollers too), or names such as glibc,musl; a verdict is the worst over them"},
    {Opt::kCsv, "--csv", "", Option::kListed, store_switch<&Request::csv>,
     "print CSV"},
    {Opt::kPlaces, "--places", "FILE", Option::kListed, store_text<&Request::places_file>,
     "the places of the table, one name a line (blank lines and lines starting with # left out; - reads standard "
     "input), instead of every place of the database; every name that is no place is named with its line"},
    {Opt::kLinks, "--links", "", Option::kListed, store_switch<&Request::links>,
     "add the database's links to the table's places (US/Eastern for America/New_York) as names of their own"},
    {Opt::kOut, "--out", "DIR", Option::kListed, store_folder<&Request::out>,
     "write the table as DIR/qel_places.h and DIR/qel_places.c (the folder is made where missing)"},
    {Opt::kJson, "--json", "", Option::kEveryCommand, store_switch<&Request::json>,
     "print JSON for scripts (anywhere on the line)"},
    {Opt::kHtml, "--html", "FILE", Option::kListed, store_html,
     "also write the result as one self-contained HTML page to FILE (counts, what to do, timelines, devices)"},
    {Opt::kHelp, "--help", "", Option::kEveryCommand, store_switch<&Request::help>,
     "print the help of the command given, or of the tool"},
    {Opt::kVersion, "--version", "", Option::kAlone, store_switch<&Request::version>,
     "print the version"},
};
// clang-format on

}  // namespace

Rows<Option> option_rows() { return {kOptions, sizeof kOptions / sizeof kOptions[0]}; }

}  // namespace qeltz
