// SPDX-License-Identifier: MIT
#include "judge/nearest_record.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "formats/time_text.hpp"
#include "judge/catalogue_view.hpp"
#include "judge/local_time.hpp"

namespace qeltz {

namespace {

// The catalogue's zones at or next to an offset, below and above, in seconds.
std::vector<int32_t> zones_next_to(int32_t offset) {
    std::vector<int32_t> out;
    const CatalogueZone *below = nullptr, *above = nullptr;
    for (const CatalogueZone *z : catalogue()) {
        if (z->minutes() * 60 <= offset) below = z;
        if (z->minutes() * 60 >= offset && above == nullptr) above = z;
    }
    for (const CatalogueZone *z : {below, above}) {
        if (z != nullptr) out.push_back(z->minutes() * 60);
    }
    return out;
}

// The daylight amount a record carries nearest `seconds`.
int32_t carried_amount(int32_t seconds) {
    int32_t best = 3600;
    for (int32_t minutes = 30; minutes <= 120; minutes += 30) {
        if (std::abs(minutes * 60 - seconds) < std::abs(best - seconds)) best = minutes * 60;
    }
    return best;
}

// How wrong, in all: the seconds off, by the seconds they last.
int64_t wrong_weight(const Comparison &c) {
    int64_t out = 0;
    for (const Difference &d : c.differences)
        out += int64_t{std::abs(d.got.offset - d.expected.offset)} * (d.until - d.utc);
    return out;
}

// "early April" for a local date-time text "2027-04-04 03:00:00".
std::string part_of_month(const std::string &date) {
    static const char *const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    const int day = std::atoi(date.substr(8, 2).c_str()), month = std::atoi(date.substr(5, 2).c_str());
    return std::string(day <= 10 ? "early " : day <= 20 ? "mid " : "late ") + kMonths[(month + 11) % 12];
}

// Thousands set apart: 43,700.
std::string grouped(int64_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), ",");
    return digits;
}

}  // namespace

std::string cost_text(const Comparison &c, Window span) {
    // The differences by amount, in the order they first come.
    std::vector<std::pair<int32_t, std::vector<const Difference *>>> by_amount;
    for (const Difference &d : c.differences) {
        const int32_t amount = d.got.offset - d.expected.offset;
        auto it = std::find_if(by_amount.begin(), by_amount.end(), [&](const auto &g) { return g.first == amount; });
        if (it == by_amount.end()) it = by_amount.insert(by_amount.end(), {amount, {}});
        it->second.push_back(&d);
    }
    std::string out;
    for (const auto &[amount, group] : by_amount) {
        int64_t seconds = 0;
        for (const Difference *d : group) seconds += d->until - d->utc;
        std::string when;
        if (seconds == span.to - span.from) {
            when = "throughout";
        } else if (seconds * 10 >= (span.to - span.from) * 9) {
            when = "nearly throughout";
        } else {
            // The longest stretch stands for the others.
            const Difference &d = **std::max_element(group.begin(), group.end(), [](const auto *a, const auto *b) {
                return a->until - a->utc < b->until - b->utc;
            });
            const std::string from = date_time_text(d.utc, d.expected.offset),
                              until = date_time_text(d.until, d.expected.offset);
            if (group.size() == 1) {
                when = "from " + from.substr(0, 10) + " to " + until.substr(0, 10);
            } else if (part_of_month(from) == part_of_month(until)) {
                when = "in " + part_of_month(from) + " each year";
            } else {
                when = "from " + part_of_month(from) + " to " + part_of_month(until) + " each year";
            }
        }
        out +=
            (out.empty() ? "" : "; ") + duration_text(std::abs(amount)) + (amount > 0 ? " ahead " : " behind ") + when;
    }
    // About: three figures.
    int64_t hours = (c.wrong_seconds + 1800) / 3600, unit = 1;
    while (hours / unit >= 1000) unit *= 10;
    hours = (hours + unit / 2) / unit * unit;
    return out + ", about " + grouped(hours) + " hours in the window";
}

bool nearest_record(const TzifZone &zone, const std::vector<Derivation> &tried, Window span, Approximation &out) {
    const std::vector<Span> place = zone_local_time(zone, span);
    std::vector<PosixTz> rules;
    for (const Span &s : place) {
        for (const int32_t offset : zones_next_to(s.offset)) {
            PosixTz fixed;
            fixed.std_name = s.abbr;
            fixed.std_offset = offset;
            rules.push_back(fixed);
        }
    }
    PosixTz own;
    std::string why;
    if (!zone.rule_line.empty() && parse_posix_tz(zone.rule_line, own, why) && own.has_dst && own.has_rules) {
        for (const int32_t offset : zones_next_to(own.std_offset)) {
            // Changing at the place's local times, and at its instants: the
            // second is off by the same amount all year round.
            PosixTz moved = own;
            moved.dst_offset = offset + carried_amount(own.dst_offset - own.std_offset);
            moved.std_offset = offset;
            rules.push_back(moved);
            moved.start.time += moved.std_offset - own.std_offset;
            moved.end.time += moved.dst_offset - own.dst_offset;
            moved.start.time_given = moved.end.time_given = true;
            rules.push_back(moved);
        }
    }
    std::vector<Derivation> records = tried;
    for (const PosixTz &r : rules) {
        Derivation d = derive_record(r, span);
        if (d.representable) records.push_back(std::move(d));
    }
    bool found = false;
    std::pair<int64_t, int64_t> best{0, 0};
    for (Derivation &d : records) {
        Comparison c = compare_timelines(place, rule_local_time(d.rule, span), span.to);
        const std::pair<int64_t, int64_t> score{wrong_weight(c), c.wrong_seconds};
        if (found && score >= best) continue;
        found = true;
        best = score;
        out.comparison = std::move(c);
        out.derivation = std::move(d);
    }
    if (found) out.cost = cost_text(out.comparison, span);
    return found;
}

}  // namespace qeltz
