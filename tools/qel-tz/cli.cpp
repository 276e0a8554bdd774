#include "cli.hpp"

#include <cerrno>
#include <cstdlib>

#include "catalogue_view.hpp"
#include "derive.hpp"
#include "posix_tz.hpp"

namespace qeltz {

namespace {

struct CommandDoc {
    Command command;
    const char *name;  // "" for the default run
    const char *synopsis;
    const char *summary;
};

// One row a command: its synopsis and what it does. --help and the manual
// page are both written from this table and the one below.
const CommandDoc kCommands[] = {
    {Command::kDefault, "", "",
     "run the typical request end to end: a record for UTC+01:00 with an hour of daylight "
     "saving from the last Sunday of March to the last Sunday of October becomes a TZ string, "
     "is read back and becomes zic text, and the next changes zic gives are compared with "
     "those the C library gives"},
    {Command::kTz, "tz", "--zone ZONE [--dst MINUTES --start RULE --end RULE]",
     "write the POSIX TZ string of a settings record"},
    {Command::kZic, "zic", "--zone ZONE [--dst MINUTES --start RULE --end RULE]",
     "write the zic source text of a settings record"},
    {Command::kParse, "parse", "TZ", "read a TZ string into a settings record, as the device library reads it"},
    {Command::kZones, "zones", "", "list the zones of the catalogue: codes, offsets and abbreviations"},
    {Command::kPlace, "place", "NAME [--years A-B] [--tzdir DIR]",
     "derive the settings record for a place of the tz database (such as Europe/Berlin) and verify its TZ string "
     "and zic text against the place at every instant of the years"},
    {Command::kPlaces, "places", "[--years A-B] [--tzdir DIR] [--csv]",
     "the same for every place of the database, one row each, with a summary"},
    {Command::kCheck, "check", "(--zone ZONE [--dst ...] | --tz TZ) --place NAME [--years A-B] [--tzdir DIR]",
     "compare a settings record, or any TZ string, with a place"},
};

struct OptionDoc {
    const char *name;
    const char *arg;       // "" for a switch
    const char *commands;  // the commands that take it, each followed by a blank
    const char *text;
};

const OptionDoc kOptions[] = {
    {"--zone", "ZONE", "tz zic check ",
     "the standard time: a zone code of the catalogue, 100 + hours (88..114) or 10000 +/- hhmm (9570, 10545), or "
     "an offset from UTC such as +05:45 or -03:30"},
    {"--dst", "MINUTES", "tz zic check ", "turn daylight saving on, MINUTES ahead of standard time: 30, 60, 90 or 120"},
    {"--start", "RULE", "tz zic check ",
     "when daylight time starts: Mmonth.week.weekday[/hh[:mm[:ss]]], e.g. M3.5.0/02:00:00 (week 5 is the last, "
     "weekday 0 is Sunday, the time 00:00:00 to 24:00:00, 02:00:00 when left out)"},
    {"--end", "RULE", "tz zic check ", "when daylight time ends, e.g. M10.5.0/03:00:00"},
    {"--tz", "TZ", "check ",
     "a TZ string to check, in the full POSIX form (<+0545>-5:45, Jn and n days, times of -167 to 167 hours)"},
    {"--place", "NAME", "check ", "the place to check against, such as America/New_York"},
    {"--years", "A-B", "place places check ", "the years to verify (default: this year and the next ten)"},
    {"--tzdir", "DIR", "place places check ", "the tz database (default: $TZDIR, else /usr/share/zoneinfo)"},
    {"--csv", "", "places ", "print CSV"},
    {"--json", "", "* ", "print JSON for scripts (anywhere on the line)"},
    {"--help", "", "* ", "print the help of the command given, or of the tool"},
    {"--version", "", "- ", "print the version"},
};

const CommandDoc &doc_of(Command c) {
    for (const auto &d : kCommands) {
        if (d.command == c) return d;
    }
    return kCommands[0];
}

bool takes(const OptionDoc &o, const CommandDoc &c) {
    const std::string list = o.commands;
    return list == "* " || (c.name[0] != '\0' && list.find(std::string(c.name) + " ") != std::string::npos);
}

const OptionDoc *option_named(const std::string &name) {
    for (const auto &o : kOptions) {
        if (name == o.name) return &o;
    }
    return nullptr;
}

// A whole decimal number within [lo, hi], computed wide.
bool whole_number(const std::string &s, long long lo, long long hi, long long &out) {
    if (s.empty() || s.size() > 12) return false;
    char *end = nullptr;
    errno = 0;
    out = std::strtoll(s.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && out >= lo && out <= hi;
}

bool read_zone(const std::string &v, int32_t &code, std::string &error) {
    const CatalogueZone *zone = nullptr;
    long long n = 0;
    if (!v.empty() && (v[0] == '+' || v[0] == '-') && v.find(':') != std::string::npos) {
        long long h = 0, m = 0;
        const size_t colon = v.find(':');
        if (!whole_number(v.substr(1, colon - 1), 0, 14, h) || !whole_number(v.substr(colon + 1), 0, 59, m)) {
            error = "zone offset " + v + " is not +hh:mm or -hh:mm within 14 hours";
            return false;
        }
        zone = zone_by_minutes((v[0] == '-' ? -1 : 1) * (h * 60 + m));
        if (zone == nullptr) {
            error = "zone offset " + v + " is not in the catalogue (qel-tz zones lists its 35 zones)";
            return false;
        }
    } else if (!whole_number(v, -2147483648LL, 2147483647LL, n)) {
        error = "zone code " + v + " is not a number";
        return false;
    } else if ((zone = zone_by_code(static_cast<int32_t>(n))) == nullptr) {
        error = "zone code " + v + " is not in the catalogue (qel-tz zones lists its 35 zones)";
        return false;
    }
    code = static_cast<int32_t>(n != 0 ? n : zone->long_code);
    return true;
}

bool read_rule(const std::string &which, const std::string &v, qel_tzrule &rule, std::string &error) {
    PosixRule r;
    std::string why;
    if (!parse_posix_rule(v, r, why)) {
        const std::string prefix = "the rule ";
        error = which + " rule " + v + ": " +
                (why.compare(0, prefix.size(), prefix) == 0 ? why.substr(prefix.size()) : why);
        return false;
    }
    if (!record_can_hold(r)) {
        error = which + " rule " + v + ": a record holds only Mmonth.week.weekday rules at 00:00:00 to 24:00:00";
        return false;
    }
    rule = record_rule(r);
    return true;
}

bool read_years(const std::string &v, Years &years, std::string &error) {
    const size_t dash = v.find('-', 1);
    long long a = 0, b = 0;
    if (dash == std::string::npos || !whole_number(v.substr(0, dash), 1900, 2400, a) ||
        !whole_number(v.substr(dash + 1), 1900, 2400, b)) {
        error = "years " + v + " are not A-B, each from 1900 to 2400";
        return false;
    }
    if (a > b) {
        error = "years " + v + ": the first is after the last";
        return false;
    }
    years = {static_cast<int>(a), static_cast<int>(b)};
    return true;
}

Command command_named(const std::string &name, bool &found) {
    found = true;
    for (const auto &d : kCommands) {
        if (d.name[0] != '\0' && name == d.name) return d.command;
    }
    found = name == "help";
    return Command::kDefault;
}

}  // namespace

bool parse_request(const std::vector<std::string> &args, int this_year, Request &req, std::string &error) {
    req = Request{};
    req.years = {this_year, this_year + 10};
    bool have_command = false, dst = false, start = false, end = false, tz = false;
    std::vector<std::pair<const OptionDoc *, std::string>> options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            const OptionDoc *o = option_named(a);
            if (o == nullptr) {
                error = "unknown option " + a;
                return false;
            }
            std::string value;
            if (o->arg[0] != '\0') {
                if (i + 1 >= args.size()) {
                    error = "option " + a + " needs " + o->arg;
                    return false;
                }
                value = args[++i];
            }
            options.emplace_back(o, value);
        } else if (!have_command && !a.empty() && a != "-h") {
            req.command = command_named(a, have_command);
            if (!have_command) {
                error = "unknown command " + a;
                return false;
            }
            if (a == "help") req.help = true;
        } else if (a == "-h") {
            req.help = true;
        } else {
            positional.push_back(a);
        }
    }
    for (const auto &[o, value] : options) {
        const std::string name = o->name;
        if (name == "--json") {
            req.json = true;
        } else if (name == "--help") {
            req.help = true;
        } else if (name == "--version") {
            if (have_command) {
                error = "--version goes alone";
                return false;
            }
            req.command = Command::kVersion;
        }
    }
    if (req.help || req.command == Command::kVersion) return true;
    const CommandDoc &doc = doc_of(req.command);
    for (const auto &[o, value] : options) {
        const std::string name = o->name;
        if (name == "--json" || name == "--help") continue;
        if (!takes(*o, doc)) {
            error = "option " + name + " does not go with " + (doc.name[0] ? doc.name : "the default run");
            return false;
        }
        bool ok = true;
        if (name == "--zone") {
            ok = read_zone(value, req.record.zone, error);
            req.has_record = true;
        } else if (name == "--dst") {
            long long minutes = 0;
            if (!whole_number(value, -2147483648LL, 2147483647LL, minutes) ||
                !tz_string_carries(static_cast<int32_t>(minutes))) {
                error = "daylight amount " + value + " minutes: a TZ string carries only 30, 60, 90 or 120";
                return false;
            }
            req.record.dst_on = 1;
            req.record.dst_minutes = static_cast<int32_t>(minutes);
            dst = true;
        } else if (name == "--start" || name == "--end") {
            ok = read_rule(name.substr(2), value, name == "--start" ? req.record.start : req.record.end, error);
            (name == "--start" ? start : end) = true;
        } else if (name == "--tz") {
            PosixTz any;
            std::string why;
            if (!parse_posix_tz(value, any, why)) {
                error = "not a TZ string: " + value + ": " + why;
                return false;
            }
            req.tz = value;
            tz = true;
        } else if (name == "--place") {
            req.place = value;
        } else if (name == "--years") {
            ok = read_years(value, req.years, error);
        } else if (name == "--tzdir") {
            req.tzdir = value;
        } else if (name == "--csv") {
            req.csv = true;
        }
        if (!ok) return false;
    }
    // What each command needs, and what goes together.
    const Command c = req.command;
    const bool record_command = c == Command::kTz || c == Command::kZic || (c == Command::kCheck && !tz);
    const size_t wanted = c == Command::kParse || c == Command::kPlace ? 1 : 0;
    if (positional.size() != wanted) {
        error = positional.size() < wanted ? std::string(doc.name) + " needs " + doc.synopsis
                                           : "unexpected argument " + positional[wanted];
        return false;
    }
    if (c == Command::kParse) req.tz = positional[0];
    if (c == Command::kPlace) req.place = positional[0];
    if (req.json && req.csv) error = "--json and --csv do not go together";
    if (c == Command::kCheck && req.place.empty()) error = "check needs --place NAME";
    if (c == Command::kCheck && tz == req.has_record) error = "check needs either --zone or --tz, not both";
    if (record_command && !req.has_record && error.empty()) error = std::string(doc.name) + " needs --zone";
    if (record_command && dst && !(start && end)) error = "--dst needs --start and --end";
    if (record_command && !dst && (start || end)) error = "--start and --end need --dst";
    if (c == Command::kZic && dst) {
        for (const qel_tzrule *r : {&req.record.start, &req.record.end}) {
            if (r->month == 2 && r->week == 5) {
                error = std::string(r == &req.record.start ? "start" : "end") +
                        " rule: week 5 of February is written \"Feb Sun>=29\" (or another weekday), which zic "
                        "refuses in common years";
            }
        }
    }
    return error.empty();
}

std::string help_text(Command command, bool whole) {
    std::string s;
    for (const auto &d : kCommands) {
        if (!whole && d.command != command) continue;
        s += std::string(s.empty() ? "usage: " : "       ") + "qel-tz" + (d.name[0] ? " " : "") + d.name +
             (d.synopsis[0] ? " " : "") + d.synopsis + " [--json]\n";
    }
    s += "\n";
    for (const auto &d : kCommands) {
        if (!whole && d.command != command) continue;
        s += std::string("  ") + (d.name[0] ? d.name : "(none)") + "\n      " + d.summary + "\n";
    }
    s += "\noptions:\n";
    for (const auto &o : kOptions) {
        if (!whole && !takes(o, doc_of(command))) continue;
        s += std::string("  ") + o.name + (o.arg[0] ? " " : "") + o.arg + "\n      " + o.text + "\n";
    }
    if (whole) {
        s += "\nexit status: 0 done (for place and check: the TZ string is exact or differs only in names or\n"
             "daylight flags), 1 the TZ string differs from the place or cannot express it, or a tool failed,\n"
             "2 bad input (one line on stderr names it).\n";
    }
    return s;
}

namespace {

// Text for troff: backslashes and hyphens escaped, no line starting a request.
std::string roff(const std::string &text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

const char *const kExamples[][2] = {
    {"qel-tz place Europe/Berlin", "the record for Berlin, its texts and both verdicts"},
    {"qel-tz places --csv > places.csv", "every place of the tz database, one row each"},
    {"qel-tz check --tz 'EST5EDT,M3.2.0,M11.1.0' --place America/New_York",
     "whether a TZ string from a provisioning server is right for New York"},
    {"qel-tz tz --zone 92 --dst 60 --start M3.2.0 --end M11.1.0", "the TZ string of a record"},
    {"qel-tz zic --zone +05:45", "the zic text of a record without daylight saving"},
    {"qel-tz parse 'CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00'", "a TZ string read into a record"},
};

}  // namespace

std::string manual_page(const std::string &version) {
    std::string s = ".TH QEL-TZ 1 \"\" \"qeltime " + version + "\" \"User Commands\"\n";
    s += ".SH NAME\nqel-tz \\- prepare and check device timezone settings\n.SH SYNOPSIS\n";
    for (const auto &d : kCommands) {
        s += ".B qel-tz\n" + std::string(d.name[0] ? ".B " + std::string(d.name) + "\n" : "") +
             (d.synopsis[0] ? roff(d.synopsis) + "\n" : "") + "[\\-\\-json]\n.br\n";
    }
    s += ".SH DESCRIPTION\n"
         "qel-tz turns device timezone settings records into POSIX TZ strings and zic source text with the "
         "qeltime library, reads TZ strings back, and derives and verifies the record for a place of the tz "
         "database, so that an engineer knows what to send to a device and whether it is right.\n"
         ".SH COMMANDS\n";
    for (const auto &d : kCommands) {
        s += ".TP\n.B " + std::string(d.name[0] ? d.name : "(none)") + "\n" + roff(d.summary) + "\n";
    }
    s += ".SH OPTIONS\n";
    for (const auto &o : kOptions) {
        s += ".TP\n.BR " + roff(o.name) + (o.arg[0] ? " \" \" \"" + std::string(o.arg) + "\"" : "") + "\n" +
             roff(o.text) + "\n";
    }
    s += ".SH EXIT STATUS\n.TP\n0\ndone; for place and check, the TZ string is exact or differs only in "
         "abbreviations or daylight flags\n.TP\n1\nthe TZ string differs from the place or cannot express it, "
         "or a tool or the output failed\n.TP\n2\nbad input, named in one line on standard error\n";
    s += ".SH EXAMPLES\n";
    for (const auto &e : kExamples) s += ".TP\n.B " + roff(e[0]) + "\n" + roff(e[1]) + "\n";
    s += ".SH ENVIRONMENT\n.TP\n.B TZDIR\nthe tz database, when \\-\\-tzdir is not given "
         "(else /usr/share/zoneinfo)\n"
         ".SH SEE ALSO\n.BR qeltime (3),\n.BR zic (8),\n.BR tzfile (5)\n";
    return s;
}

}  // namespace qeltz
