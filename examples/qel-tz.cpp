// qel-tz: preview and check device timezone settings with libqeltime.
//
//   qel-tz                      the typical request, end to end, on a default record
//   qel-tz tz  --zone CODE [--dst MINUTES --start RULE --end RULE] [--json]
//   qel-tz zic --zone CODE [--dst MINUTES --start RULE --end RULE] [--json]
//   qel-tz parse 'TZ STRING' [--json]
//   qel-tz zones [--json]
//
// Exit status: 0 done, 2 bad input (one line on stderr says what), 1 a tool
// or system failure.

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "qel_time.h"
#include "zic_tools.hpp"

namespace {

constexpr int kBadInput = 2;
constexpr int kFailure = 1;

const char kUsage[] =
    "usage: qel-tz                         run the typical request on a default record\n"
    "       qel-tz tz  --zone CODE [--dst MINUTES --start RULE --end RULE] [--json]\n"
    "       qel-tz zic --zone CODE [--dst MINUTES --start RULE --end RULE] [--json]\n"
    "       qel-tz parse 'TZ STRING' [--json]\n"
    "       qel-tz zones [--json]\n"
    "\n"
    "  tz, zic   write the POSIX TZ string or the zic source text of a settings record\n"
    "  parse     read a TZ string back into a settings record\n"
    "  zones     list the zones of the catalogue: codes, offsets and names\n"
    "\n"
    "  --zone CODE     zone code: 100 + hours (88..114) or 10000 +/- hhmm (e.g. 9570, 10545)\n"
    "  --dst MINUTES   turn daylight saving on, MINUTES ahead of standard time\n"
    "  --start RULE    when daylight time starts, e.g. M3.5.0/02:00:00 (month.week.weekday\n"
    "                  /time; week 5 is the last, weekday 0 is Sunday; time defaults to 02:00:00)\n"
    "  --end RULE      when it ends, e.g. M10.5.0/03:00:00\n"
    "  --json          print JSON for scripts\n"
    "\n"
    "Without arguments qel-tz takes UTC+01:00 with 60 minutes of daylight saving from the last\n"
    "Sunday of March 02:00 to the last Sunday of October 03:00, prints the record, its TZ string,\n"
    "the record read back from it and its zic text, and where zic and zdump are installed\n"
    "compares the next changes that zic's compiled zone gives with those of the TZ string.\n";

[[noreturn]] void bad_input(const std::string &what) {
    std::fprintf(stderr, "qel-tz: %s (see qel-tz --help)\n", what.c_str());
    std::exit(kBadInput);
}

[[noreturn]] void failure(const std::string &what) {
    std::fprintf(stderr, "qel-tz: %s\n", what.c_str());
    std::exit(kFailure);
}

// A whole decimal number within [lo, hi], or false.
bool read_number(const char *s, long lo, long hi, int32_t &out) {
    if (*s == '\0') return false;
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    out = static_cast<int32_t>(v);
    return true;
}

// "Mm.w.d[/hh[:mm[:ss]]]", the form TZ strings use.
bool read_rule(const char *s, qel_tzrule &r) {
    r = qel_tzrule{};
    r.hour = 2;
    int consumed = 0;
    if (std::sscanf(s, "M%d.%d.%d%n", &r.month, &r.week, &r.wday, &consumed) != 3) return false;
    if (r.month < 1 || r.month > 12 || r.week < 1 || r.week > 5 || r.wday < 0 || r.wday > 6) return false;
    s += consumed;
    if (*s == '\0') return true;
    r.minute = r.second = 0;
    const int n = std::sscanf(s, "/%d%n:%d%n:%d%n", &r.hour, &consumed, &r.minute, &consumed, &r.second, &consumed);
    if (n < 1 || s[consumed] != '\0') return false;
    return r.hour >= 0 && r.hour <= 24 && r.minute >= 0 && r.minute <= 59 && r.second >= 0 && r.second <= 59;
}

std::string rule_text(const qel_tzrule &r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "M%d.%d.%d/%02d:%02d:%02d", r.month, r.week, r.wday, r.hour, r.minute, r.second);
    return buf;
}

// Minutes east of UTC of a zone code in either form.
int32_t zone_minutes(int32_t code) {
    if (code >= 88 && code <= 114) return (code - 100) * 60;
    const int32_t d = code - 10000;
    return 60 * (d / 100) + d % 100;
}

std::string utc_offset(int32_t minutes) {
    char buf[16];
    const int32_t m = minutes < 0 ? -minutes : minutes;
    std::snprintf(buf, sizeof buf, "UTC%c%02d:%02d", minutes < 0 ? '-' : '+', m / 60, m % 60);
    return buf;
}

std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string json_rule(const qel_tzrule &r) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "{\"month\": %d, \"week\": %d, \"wday\": %d, \"hour\": %d, \"minute\": %d, \"second\": %d}", r.month,
                  r.week, r.wday, r.hour, r.minute, r.second);
    return buf;
}

std::string json_record(const qel_tzset &r) {
    char head[96];
    std::snprintf(head, sizeof head, "{\"zone\": %d, \"dst_on\": %d, \"dst_minutes\": %d, ", r.zone, r.dst_on,
                  r.dst_minutes);
    return head + std::string("\"start\": ") + json_rule(r.start) + ", \"end\": " + json_rule(r.end) + "}";
}

std::string describe(const qel_tzset &r) {
    std::string s = "zone " + std::to_string(r.zone) + " (" + utc_offset(zone_minutes(r.zone)) + ")";
    if (r.dst_on == 0) return s + ", no daylight saving";
    return s + ", daylight saving " + std::to_string(r.dst_minutes) + " minutes from " + rule_text(r.start) + " to " +
           rule_text(r.end);
}

// Rules that zic refuses although the writer writes them: "on or after the
// 29th" of February (no such day in a common year), and times zic cannot read.
std::vector<std::string> zic_warnings(const qel_tzset &r) {
    std::vector<std::string> w;
    if (r.dst_on == 0) return w;
    for (const auto *rule : {&r.start, &r.end}) {
        const char *which = rule == &r.start ? "start" : "end";
        if (rule->month == 2 && rule->week == 5) {
            w.push_back(std::string(which) + " rule: week 5 of February becomes Feb Sun>=29, which zic refuses");
        }
        if (rule->minute < 0 || rule->minute > 59 || rule->hour < 0) {
            w.push_back(std::string(which) + " rule: a time zic cannot read");
        }
    }
    return w;
}

std::string write_text(int32_t (*writer)(const qel_tzset *, char *, int32_t), const qel_tzset &r, const char *what) {
    char buf[512];
    if (writer(&r, buf, sizeof buf) != QEL_OK) {
        bad_input(std::string("the record cannot be written as ") + what + ": " + describe(r));
    }
    return buf;
}

struct Options {
    qel_tzset record{};
    bool zone_given = false;
    bool rules_given[2] = {false, false};
    bool json = false;
    std::string text;  // the argument of parse
};

Options read_options(int argc, char **argv, int first, bool wants_text) {
    Options o;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--json") {
            o.json = true;
        } else if (arg == "--zone" || arg == "--dst" || arg == "--start" || arg == "--end") {
            if (wants_text) bad_input("option " + arg + " does not go with parse");
            if (value == nullptr) bad_input("option " + arg + " needs a value");
            ++i;
            if (arg == "--zone") {
                if (!read_number(value, INT32_MIN, INT32_MAX, o.record.zone))
                    bad_input("zone code is not a number: " + std::string(value));
                o.zone_given = true;
            } else if (arg == "--dst") {
                if (!read_number(value, 0, 24 * 60, o.record.dst_minutes)) {
                    bad_input("daylight minutes must be a number from 0 to 1440: " + std::string(value));
                }
                o.record.dst_on = 1;
            } else {
                const bool start = arg == "--start";
                if (!read_rule(value, start ? o.record.start : o.record.end)) {
                    bad_input(std::string(start ? "start" : "end") +
                              " rule is not of the form M3.5.0/02:00:00: " + value);
                }
                o.rules_given[start ? 0 : 1] = true;
            }
        } else if (wants_text && o.text.empty() && !arg.empty() && arg[0] != '-') {
            o.text = arg;
        } else if (wants_text && o.text.empty() && !arg.empty() && arg[0] == '-' && arg.size() > 1 && arg[1] != '-') {
            o.text = arg;  // a TZ string may begin with a sign
        } else {
            bad_input("unknown argument: " + arg);
        }
    }
    if (wants_text) {
        if (o.text.empty()) bad_input("parse needs a TZ string");
        return o;
    }
    if (!o.zone_given) bad_input("--zone is required");
    if (o.record.dst_on != 0 && !(o.rules_given[0] && o.rules_given[1])) bad_input("--dst needs --start and --end");
    if (o.record.dst_on == 0 && (o.rules_given[0] || o.rules_given[1])) bad_input("--start and --end need --dst");
    return o;
}

// ---- next changes, from the C library and from zic + zdump ----------------

struct Change {
    time_t at;  // first second of the new time, UTC
    long gmtoff;
    std::string zone;
};

struct LocalState {
    long gmtoff;
    std::string zone;
};

LocalState state_at(time_t t) {
    struct tm tm {};
    localtime_r(&t, &tm);
    return {tm.tm_gmtoff, tm.tm_zone != nullptr ? tm.tm_zone : ""};
}

// The changes that the C library gives for TZ within [from, from + days).
std::vector<Change> libc_changes(const std::string &tz, time_t from, int days, size_t most) {
    const qeltools::ScopedTz zone(tz);
    std::vector<Change> out;
    LocalState prev = state_at(from);
    for (time_t t = from + 3600; t < from + days * 86400L && out.size() < most; t += 3600) {
        const LocalState cur = state_at(t);
        if (cur.gmtoff == prev.gmtoff && cur.zone == prev.zone) continue;
        time_t lo = t - 3600;  // same as prev
        time_t hi = t;         // changed
        while (hi - lo > 1) {
            const time_t mid = lo + (hi - lo) / 2;
            const LocalState s = state_at(mid);
            (s.gmtoff == prev.gmtoff && s.zone == prev.zone ? lo : hi) = mid;
        }
        out.push_back({hi, cur.gmtoff, cur.zone});
        prev = cur;
    }
    return out;
}

// Compiles the zic text and reads its next changes after `from` back with
// zdump. False where zic refused the text, with what it said in `why`.
bool zdump_changes(const qeltools::ZicWorkspace &zic, const std::string &zic_text, time_t from, size_t most,
                   std::vector<Change> &out, std::string &why) {
    const std::string path = zic.compile(zic_text, &why);
    if (path.empty()) {
        if (why.empty()) why = "zic refused the text";
        return false;
    }
    struct tm now {};
    gmtime_r(&from, &now);
    for (const auto &c : zic.changes(path, now.tm_year + 1900, now.tm_year + 1903)) {
        if (c.at > from && out.size() < most) out.push_back({static_cast<time_t>(c.at), c.gmtoff, c.zone});
    }
    return true;
}

std::string change_text(const Change &c) {
    struct tm tm {};
    gmtime_r(&c.at, &tm);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
    return std::string(when) + " UTC -> " + c.zone + " (" + utc_offset(static_cast<int32_t>(c.gmtoff / 60)) + ")";
}

std::string json_changes(const std::vector<Change> &v) {
    std::string s = "[";
    for (size_t i = 0; i < v.size(); ++i) {
        s += (i ? ", " : "") + std::string("{\"at\": ") + std::to_string(static_cast<long long>(v[i].at)) +
             ", \"gmtoff\": " + std::to_string(v[i].gmtoff) + ", \"zone\": " + json_string(v[i].zone) + "}";
    }
    return s + "]";
}

bool same_changes(const std::vector<Change> &a, const std::vector<Change> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].at != b[i].at || a[i].gmtoff != b[i].gmtoff) return false;
    }
    return true;
}

// ---- commands ---------------------------------------------------------------

int run_default(bool json) {
    const qel_tzset record = {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
    const std::string tz = write_text(qel_tzset_to_tzstr, record, "a TZ string");
    qel_tzset back{};
    if (qel_tzstr_to_tzset(tz.c_str(), &back) != QEL_OK) failure("the TZ string did not read back: " + tz);
    const std::string zic = write_text(qel_tzset_to_zicstr, record, "zic text");

    int64_t now64 = 0;
    if (qel_get_time(&now64) != QEL_OK) failure("cannot read the clock");
    const auto now = static_cast<time_t>(now64);
    const std::vector<Change> from_tz = libc_changes(tz, now, 3 * 366, 4);
    std::vector<Change> from_zic;
    std::string why;
    const qeltools::ZicWorkspace workspace;
    const bool have_tools = workspace.usable();
    const bool compiled = have_tools && zdump_changes(workspace, zic, now, 4, from_zic, why);

    if (json) {
        std::printf("{\"record\": %s, \"tz\": %s, \"read_back\": %s, \"zic\": %s, \"changes_tz\": %s",
                    json_record(record).c_str(), json_string(tz).c_str(), json_record(back).c_str(),
                    json_string(zic).c_str(), json_changes(from_tz).c_str());
        if (compiled) {
            std::printf(", \"changes_zic\": %s, \"agree\": %s", json_changes(from_zic).c_str(),
                        same_changes(from_tz, from_zic) ? "true" : "false");
        }
        std::printf("}\n");
        return 0;
    }
    std::printf("record:     %s\n", describe(record).c_str());
    std::printf("TZ string:  %s\n", tz.c_str());
    std::printf("read back:  %s%s\n", describe(back).c_str(),
                back.zone == record.zone && back.dst_minutes == record.dst_minutes ? "" : "  (differs)");
    std::printf("zic text:\n");
    for (const char *p = zic.c_str(); *p != '\0';) {
        const char *nl = std::strchr(p, '\n');
        std::printf("  | %.*s\n", static_cast<int>(nl - p), p);
        p = nl + 1;
    }
    std::printf("next changes from the TZ string (C library):\n");
    for (const auto &c : from_tz) std::printf("  %s\n", change_text(c).c_str());
    if (!have_tools) {
        std::printf("zic or zdump is not installed: the zic text was not compiled\n");
    } else if (!compiled) {
        std::printf("zic refused the text: %s\n", why.c_str());
    } else {
        std::printf("next changes from the zic text (zic + zdump):\n");
        for (const auto &c : from_zic) std::printf("  %s\n", change_text(c).c_str());
        std::printf("%s\n", same_changes(from_tz, from_zic)
                                ? "the two agree"
                                : "the two differ: week 5 means the last weekday in the TZ string but the first "
                                  "on or after the 29th in zic");
    }
    return 0;
}

int run_writer(int argc, char **argv, bool zic) {
    const Options o = read_options(argc, argv, 2, false);
    const std::string text = zic ? write_text(qel_tzset_to_zicstr, o.record, "zic text")
                                 : write_text(qel_tzset_to_tzstr, o.record, "a TZ string");
    const std::vector<std::string> warnings = zic ? zic_warnings(o.record) : std::vector<std::string>{};
    if (o.json) {
        std::string w = "[";
        for (size_t i = 0; i < warnings.size(); ++i) w += (i ? ", " : "") + json_string(warnings[i]);
        std::printf("{\"record\": %s, \"%s\": %s, \"warnings\": %s]}\n", json_record(o.record).c_str(),
                    zic ? "zic" : "tz", json_string(text).c_str(), w.c_str());
        return 0;
    }
    for (const auto &w : warnings) std::fprintf(stderr, "qel-tz: warning: %s\n", w.c_str());
    std::fputs(text.c_str(), stdout);
    if (!zic) std::fputc('\n', stdout);
    return 0;
}

int run_parse(int argc, char **argv) {
    const Options o = read_options(argc, argv, 2, true);
    qel_tzset r{};
    if (qel_tzstr_to_tzset(o.text.c_str(), &r) != QEL_OK) bad_input("not a TZ string the library reads: " + o.text);
    if (o.json) {
        std::printf("%s\n", json_record(r).c_str());
    } else {
        std::printf("%s\n", describe(r).c_str());
    }
    return 0;
}

// The catalogue, as the library itself tells it: the codes its zic writer
// takes, and the names its TZ writer writes.
int run_zones(int argc, char **argv) {
    bool json = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") != 0) bad_input(std::string("unknown argument: ") + argv[i]);
        json = true;
    }
    if (json) std::printf("[");
    int n = 0;
    for (int32_t code = 8800; code <= 11400; ++code) {
        const qel_tzset r = {code, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
        char zic[512];
        if (qel_tzset_to_zicstr(&r, zic, sizeof zic) != QEL_OK) continue;
        char tz[64];
        if (qel_tzset_to_tzstr(&r, tz, sizeof tz) != QEL_OK)
            failure("zone " + std::to_string(code) + " has no TZ string");
        std::string std_name, dst_name;
        qeltools::tz_names(tz, std_name, dst_name);
        const int32_t minutes = zone_minutes(code);
        const std::string short_code = minutes % 60 == 0 ? std::to_string(100 + minutes / 60) : "";
        if (json) {
            std::printf("%s{\"long_code\": %d, \"short_code\": %s, \"offset\": %s, \"standard\": %s, \"daylight\": %s}",
                        n ? ", " : "", code, short_code.empty() ? "null" : short_code.c_str(),
                        json_string(utc_offset(minutes)).c_str(), json_string(std_name).c_str(),
                        json_string(dst_name).c_str());
        } else {
            if (n == 0) std::printf("%-6s %-5s %-10s %-8s %s\n", "long", "short", "offset", "standard", "daylight");
            std::printf("%-6d %-5s %-10s %-8s %s\n", code, short_code.empty() ? "-" : short_code.c_str(),
                        utc_offset(minutes).c_str(), std_name.c_str(), dst_name.c_str());
        }
        ++n;
    }
    if (json) std::printf("]\n");
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 1) return run_default(false);
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--json" && argc == 2) return run_default(true);
    if (command == "tz") return run_writer(argc, argv, false);
    if (command == "zic") return run_writer(argc, argv, true);
    if (command == "parse") return run_parse(argc, argv);
    if (command == "zones") return run_zones(argc, argv);
    bad_input("unknown command: " + command);
}
