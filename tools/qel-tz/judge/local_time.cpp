// SPDX-License-Identifier: MIT
#include "judge/local_time.hpp"

#include <algorithm>
#include <iterator>
#include <utility>

namespace qeltz {

bool same_local_time(const Span &a, const Span &b) {
    return a.offset == b.offset && a.isdst == b.isdst && a.abbr == b.abbr;
}

std::vector<Span> spans_from(const std::vector<Span> &spans, int64_t from) {
    size_t first = 0;
    while (first + 1 < spans.size() && spans[first + 1].from <= from) ++first;
    std::vector<Span> out(spans.begin() + static_cast<std::ptrdiff_t>(first), spans.end());
    if (!out.empty() && out.front().from < from) out.front().from = from;
    return out;
}

namespace {

// Each change of the rules from the year before the window to the year after,
// in order: the instant and whether daylight time starts there. Each rule's
// changes come later year by year: the two are merged.
std::vector<std::pair<int64_t, bool>> rule_changes(const PosixTz &tz, Window window) {
    std::vector<std::pair<int64_t, bool>> starts, ends, changes;
    const int first = window.first_year() - 1, last = window.last_year() + 1;
    starts.reserve(static_cast<size_t>(last - first) + 1);
    ends.reserve(starts.capacity());
    for (int year = first; year <= last; ++year) {
        starts.emplace_back(rule_local_seconds(tz.start, year) - tz.std_offset, true);
        ends.emplace_back(rule_local_seconds(tz.end, year) - tz.dst_offset, false);
    }
    changes.reserve(starts.size() + ends.size());
    std::merge(starts.begin(), starts.end(), ends.begin(), ends.end(), std::back_inserter(changes));
    return changes;
}

void add_span(std::vector<Span> &spans, Span s) {
    if (!spans.empty() && same_local_time(spans.back(), s)) return;
    if (!spans.empty() && spans.back().from == s.from) {
        spans.back() = std::move(s);
        return;
    }
    spans.push_back(std::move(s));
}

}  // namespace

bool expected_changes(const std::string &tz, Window window, std::vector<int64_t> &changes) {
    PosixTz rule;
    std::string why;
    if (!parse_posix_tz(tz, rule, why)) return false;
    if (!rule.has_rules) return !rule.has_dst;
    for (const auto &change : rule_changes(rule, window)) changes.push_back(change.first);
    return true;
}

std::vector<Span> rule_local_time(const PosixTz &tz, Window window) {
    const Span standard{window.from, tz.std_offset, false, tz.std_name};
    if (!tz.has_dst) return {standard};
    if (!tz.has_rules) return {};
    const Span daylight{window.from, tz.dst_offset, true, tz.dst_name};
    std::vector<Span> spans;
    bool dst = false;
    for (const auto &[at, starts] : rule_changes(tz, window)) {
        if (at > window.from) {
            if (at >= window.to) break;
            if (spans.empty()) spans.push_back(dst ? daylight : standard);
            Span s = starts ? daylight : standard;
            s.from = at;
            add_span(spans, std::move(s));
        }
        dst = starts;
    }
    if (spans.empty()) spans.push_back(dst ? daylight : standard);
    return spans;
}

std::vector<Span> zone_local_time(const TzifZone &zone, Window window, const std::vector<Span> *rule_line) {
    std::vector<Span> spans;
    if (zone.types.empty()) return spans;
    const auto type_span = [&zone](int64_t from, size_t type) {
        const TzifType &t = zone.types.at(type);
        return Span{from, t.utoff, t.isdst, t.abbr};
    };
    // The rule line takes over at the last transition (a zone without
    // transitions keeps its first standard time type, as the C library does).
    // It is computed here only where the window reaches past the last
    // transition: before it the rule line is not used.
    std::vector<Span> computed;
    PosixTz own_rule;
    std::string why;
    if (rule_line == nullptr && !zone.times.empty() && zone.times.back() < window.to &&
        parse_posix_tz(zone.rule_line, own_rule, why)) {
        computed = rule_local_time(own_rule, window);
        if (!computed.empty()) rule_line = &computed;
    }
    const bool ruled = rule_line != nullptr && !rule_line->empty() && !zone.times.empty() && !zone.rule_line.empty();
    const int64_t last = ruled ? zone.times.back() : INT64_MAX;

    // Before the first transition: the first standard time type.
    size_t first = 0;
    while (first < zone.types.size() && zone.types[first].isdst) ++first;
    if (first == zone.types.size()) first = 0;
    if (window.from < last) {
        size_t type = first;
        if (!zone.times.empty() && window.from >= zone.times.front()) {
            type = zone.types_at[static_cast<size_t>(
                std::upper_bound(zone.times.begin(), zone.times.end(), window.from) - zone.times.begin() - 1)];
        }
        spans.push_back(type_span(window.from, type));
    }
    for (size_t i = 0; i < zone.times.size(); ++i) {
        const int64_t t = zone.times[i];
        if (t <= window.from) continue;
        if (t >= window.to || t >= last) break;
        add_span(spans, type_span(t, zone.types_at[i]));
    }
    if (ruled && last < window.to) {
        const int64_t from = std::max(window.from, last);
        for (size_t i = 0; i < rule_line->size(); ++i) {
            const Span &s = (*rule_line)[i];
            if (i + 1 < rule_line->size() && (*rule_line)[i + 1].from <= from) continue;  // over before `from`
            if (s.from >= window.to) break;
            Span copy = s;
            copy.from = std::max(s.from, from);
            add_span(spans, std::move(copy));
        }
    }
    return spans;
}

}  // namespace qeltz
