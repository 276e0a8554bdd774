// SPDX-License-Identifier: MIT
#include "system/local_time.hpp"

#include <algorithm>
#include <ctime>
#include <map>
#include <tuple>

#include "formats/posix_tz.hpp"
#include "system/process.hpp"
#include "formats/tzif.hpp"
#include "system/zic_runner.hpp"

namespace qeltz {

namespace {

int year_of(int64_t t) {
    const auto when = static_cast<time_t>(t);
    struct tm tm {};
    return gmtime_r(&when, &tm) != nullptr ? tm.tm_year + 1900 : 1970;
}

Span read_at(int64_t t) {
    Span s;
    s.from = t;
    const auto when = static_cast<time_t>(t);
    struct tm tm {};
    if (localtime_r(&when, &tm) != nullptr) {
        s.offset = static_cast<int32_t>(tm.tm_gmtoff);
        s.isdst = tm.tm_isdst > 0;
        s.abbr = tm.tm_zone != nullptr ? tm.tm_zone : "";
    }
    return s;
}

// Local time under TZ=tz over [from, to), read at each sample; each change
// between two samples found by halving.
std::vector<Span> walk(const std::string &tz, int64_t from, int64_t to, std::vector<int64_t> samples) {
    samples.erase(std::remove_if(samples.begin(), samples.end(), [&](int64_t t) { return t <= from || t >= to; }),
                  samples.end());
    std::sort(samples.begin(), samples.end());
    samples.erase(std::unique(samples.begin(), samples.end()), samples.end());

    const ScopedTz zone(tz);
    std::vector<Span> spans{read_at(from)};
    int64_t last = from;
    for (size_t i = 0; i <= samples.size(); ++i) {
        const int64_t t = i < samples.size() ? samples[i] : to - 1;
        if (t <= last) continue;
        Span now = read_at(t);
        // Several changes may lie between two samples; each is found in turn.
        while (!same_local_time(now, spans.back())) {
            int64_t lo = last, hi = t;  // lo as the last span, hi not
            while (hi - lo > 1) {
                const int64_t mid = lo + (hi - lo) / 2;
                (same_local_time(read_at(mid), spans.back()) ? lo : hi) = mid;
            }
            spans.push_back(read_at(hi));
            last = hi;
        }
        last = t;
    }
    return spans;
}

// Every six hours, and the hints.
std::vector<int64_t> grid(int64_t from, int64_t to, std::vector<int64_t> hints) {
    constexpr int64_t kStep = int64_t{6} * 3600;
    for (int64_t t = from; t < to; t += kStep) hints.push_back(t);
    return hints;
}

// A TZ string over [from, to), read in this process once a run: many places
// share their rule lines and many devices their strings. Sampled on the grid
// and at the string's changes as this tool's reader computes them.
const std::vector<Span> &read_tz_string(const std::string &tz, int64_t from, int64_t to) {
    static std::map<std::tuple<std::string, int64_t, int64_t>, std::vector<Span>> read;
    const auto key = std::make_tuple(tz, from, to);
    const auto known = read.find(key);
    if (known != read.end()) return known->second;
    std::vector<int64_t> changes;
    (void)expected_changes(tz, from, to, changes);
    return read[key] = walk(tz, from, to, grid(from, to, changes));
}

}  // namespace

bool same_local_time(const Span &a, const Span &b) {
    return a.offset == b.offset && a.isdst == b.isdst && a.abbr == b.abbr;
}

int64_t year_start(int year) { return days_from_civil(year, 1, 1) * 86400; }

std::string Years::text() const {
    if (start == 0) return std::to_string(first) + "-" + std::to_string(last);
    const auto when = static_cast<time_t>(start);
    struct tm tm {};
    char buf[32] = "?";
    if (gmtime_r(&when, &tm) != nullptr) std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &tm);
    return std::string(buf) + " to " + std::to_string(last);
}

bool expected_changes(const std::string &tz, int64_t from, int64_t to, std::vector<int64_t> &changes) {
    PosixTz rule;
    std::string why;
    if (!parse_posix_tz(tz, rule, why)) return false;
    if (!rule.has_rules) return !rule.has_dst;
    const int first = year_of(from) - 1, end = year_of(to) + 1;
    for (int year = first; year <= end; ++year) {
        changes.push_back(rule_local_seconds(rule.start, year) - rule.std_offset);
        changes.push_back(rule_local_seconds(rule.end, year) - rule.dst_offset);
    }
    return true;
}

std::vector<Span> read_timeline(const std::string &tz, int64_t from, int64_t to, const std::vector<int64_t> &hints) {
    if (tz.empty() || tz[0] != ':') {
        if (hints.empty()) return read_tz_string(tz, from, to);
        std::vector<int64_t> samples = hints;
        (void)expected_changes(tz, from, to, samples);
        return walk(tz, from, to, grid(from, to, samples));
    }
    return read_compiled_zone(tz.substr(1), from, to, hints,
                              [&](const std::string &rule_line) { return &read_tz_string(rule_line, from, to); });
}

std::vector<Span> read_compiled_zone(const std::string &path, int64_t from, int64_t to,
                                     const std::vector<int64_t> &hints, const RuleLineSpans &rule_line) {
    const std::string tz = ":" + path;
    std::string bytes, why;
    TzifZone zone;
    PosixTz footer;
    if (!read_file(path, bytes) || !parse_tzif(bytes, zone, why)) return walk(tz, from, to, grid(from, to, hints));
    // A compiled zone changes only at its transitions, and after the last by
    // its rule line. Without transitions, whether the C library takes the
    // first local time type or the rule line, a rule line without daylight
    // time leaves nothing to change.
    if (zone.times.empty()) {
        const bool constant = parse_posix_tz(zone.footer, footer, why) && !footer.has_dst;
        return walk(tz, from, to, constant ? hints : grid(from, to, hints));
    }
    std::vector<int64_t> samples = hints;
    samples.insert(samples.end(), zone.times.begin(), zone.times.end());
    const int64_t last = zone.times.back();
    if (zone.footer.empty() || last >= to) return walk(tz, from, to, samples);
    // The rule line as read elsewhere where it is a POSIX TZ string (which
    // the C library reads alike in a file and in TZ); else the file itself,
    // on the grid and at the changes the rule line is expected to have.
    const std::vector<Span> *rule = parse_posix_tz(zone.footer, footer, why) ? rule_line(zone.footer) : nullptr;
    if (rule == nullptr) {
        (void)expected_changes(zone.footer, from, to, samples);
        return walk(tz, from, to, grid(std::max(from, last), to, samples));
    }
    std::vector<Span> spans = last > from ? walk(tz, from, last, samples) : std::vector<Span>{};
    size_t i = 0;
    while (i + 1 < rule->size() && (*rule)[i + 1].from <= last) ++i;
    for (; i < rule->size(); ++i) {
        if (!spans.empty() && same_local_time(spans.back(), (*rule)[i])) continue;
        spans.push_back((*rule)[i]);
        spans.back().from = std::max(spans.back().from, std::max(from, last));
    }
    return spans;
}

}  // namespace qeltz
