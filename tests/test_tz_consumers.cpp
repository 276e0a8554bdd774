// SPDX-License-Identifier: MIT
// The texts the writers produce, handed to their real consumers: every TZ
// string to the C library's own TZ handling, every zic text to zic, the
// result read back with zdump. Each must mean what the record means, as an
// independent model computes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include "civil_model.hpp"
#include "qel_time.h"
#include "system/zic_runner.hpp"
#include "tz_test_support.hpp"

namespace {

using qeltest::Change;
using qeltest::record;
using qeltest::rule;

// Rule pairs: northern and southern, every week, assorted weekdays and times.
struct RulePair {
    qel_tzrule start, end;
};
const RulePair kRulePairs[] = {
    {rule(3, 5, 0, 2), rule(10, 5, 0, 3)},        {rule(3, 2, 0, 2), rule(11, 1, 0, 2)},
    {rule(10, 1, 0, 2), rule(4, 1, 0, 3)},        {rule(4, 3, 3, 1, 30), rule(9, 4, 5, 23, 15)},
    {rule(5, 5, 6, 0, 0), rule(8, 5, 2, 22, 45)}, {rule(9, 5, 1, 2), rule(3, 5, 4, 3)},
};
// Each zone takes every amount the TZ string carries, one rule pair after another.
const int32_t kAmounts[] = {30, 60, 90, 120};
int32_t amount_for(size_t zone, size_t pair) { return kAmounts[(zone + pair) % 4]; }

// What local time shows from an instant on: the instant, the offset east of
// UTC in seconds, the daylight flag and the name.
using Shown = std::tuple<int64_t, long, int, std::string>;

// What the C library shows at each instant under TZ=tz.
std::vector<Shown> c_library(const std::string &tz, const std::vector<int64_t> &instants) {
    const qeltz::ScopedTz zone(tz);
    std::vector<Shown> out;
    for (int64_t t : instants) {
        const auto native = static_cast<time_t>(t);
        struct tm tm {};
        localtime_r(&native, &tm);
        out.emplace_back(t, tm.tm_gmtoff, tm.tm_isdst, tm.tm_zone);
    }
    return out;
}

// zdump's changes of 2026..2030 in r's zic text, compiled by zic to path.
std::vector<Shown> zdump(const qeltz::ZicWorkspace &zic, const qel_tzset &r, std::string &path) {
    path = zic.compile(qeltest::zicstr(r));
    std::vector<Shown> out;
    for (const qeltz::ZoneChange &c : zic.changes(path, 2026, 2031)) out.emplace_back(c.at, c.gmtoff, c.isdst, c.zone);
    return out;
}

// Every zone, in standard time and with each rule pair, against the model:
// what the C library shows on both sides of every change of 2026..2030 under
// the TZ string, and the changes zdump finds in the compiled zic text. A
// week-5 rule falls there on the first such weekday on or after the 29th
// (which may be in the next month) instead of the last one: where the two
// days differ (the change is "moved"), the C library shows no change at
// zic's instant.
TEST(Consumers, EveryZoneAndEveryChange) {
    const qeltz::ZicWorkspace zic;
    if (!zic.usable()) {
        // The full test run installs zic and zdump: there a missing one is a failure.
        EXPECT_EQ(std::getenv("QEL_REQUIRE_CONSUMERS"), nullptr) << "zic or zdump is not installed";
        std::printf("zic or zdump is not installed: zic texts not checked\n");
    }
    size_t checked = 0, moved = 0, compared = 0;
    const int64_t lo = qeltest::days_from_civil(2026, 1, 1) * 86400;
    const int64_t hi = qeltest::days_from_civil(2031, 1, 1) * 86400;
    for (size_t i = 0; i < std::size(qeltest::kCatalogue); ++i) {
        const qeltest::Zone &z = qeltest::kCatalogue[i];
        const int32_t s = z.minutes();
        const std::vector<Shown> standard{{lo, s * 60L, 0, z.std}};
        EXPECT_EQ(c_library(qeltest::tzstr(record(z.long_code())), {lo}), standard);
        std::string path;
        if (zic.usable()) {
            EXPECT_EQ(zdump(zic, record(z.long_code()), path), std::vector<Shown>{}) << z.std;
            EXPECT_EQ(c_library(":" + path, {lo}), standard);
        }
        for (size_t k = 0; k < std::size(kRulePairs); ++k) {
            const int32_t amount = amount_for(i, k);
            const qel_tzset r = record(z.long_code(), 1, amount, kRulePairs[k].start, kRulePairs[k].end);
            const std::vector<Change> model = qeltest::changes(r, s, amount, 2025, 2031);
            std::vector<int64_t> instants;
            std::vector<Shown> want, want_zic;
            const auto shows = [&](int64_t t, const Change &state) {
                instants.push_back(t);
                want.emplace_back(t, state.gmtoff, state.dst ? 1 : 0, state.dst ? z.dst : z.std);
            };
            for (size_t j = 1; j < model.size(); ++j) {
                const Change &c = model[j];
                if (c.zic_at >= lo && c.zic_at < hi) {
                    want_zic.emplace_back(c.zic_at, c.gmtoff, c.dst ? 1 : 0, c.dst ? (s == 0 ? "GDT" : z.dst) : z.std);
                }
                if (c.posix_at < lo || c.posix_at >= hi) continue;
                ++checked;
                shows(c.posix_at - 1, model[j - 1]);
                shows(c.posix_at, c);
                if (c.zic_at == c.posix_at) continue;
                ++moved;  // zic's day is the later one
                shows(c.zic_at - 1, c);
                shows(c.zic_at, c);
            }
            ASSERT_EQ(c_library(qeltest::tzstr(r), instants), want) << qeltest::tzstr(r);
            if (!zic.usable()) continue;
            ASSERT_EQ(zdump(zic, r, path), want_zic) << qeltest::zicstr(r);
            compared += want_zic.size();
        }
    }
    EXPECT_EQ(checked, 35U * 6 * 5 * 2);
    EXPECT_GT(moved, 100U);
    EXPECT_TRUE(!zic.usable() || compared > 1500) << compared;
}

// Records that zic cannot take, although the writer writes them: week 5 of
// February ("Sun>=29" in a common year), and times zic does not read.
TEST(Consumers, RecordsNotRepresentableByZic) {
    const qeltz::ZicWorkspace zic;
    if (!zic.usable()) GTEST_SKIP() << "zic or zdump is not installed";
    const qel_tzset rows[] = {
        record(10100, 1, 60, rule(2, 5, 0, 2), rule(10, 5, 0, 3)),
        record(10100, 1, 60, rule(3, 5, 0, 2, -5), rule(10, 5, 0, 3)),
        record(10100, 1, 60, rule(3, 5, 0, 2, 60), rule(10, 5, 0, 3)),
    };
    for (const auto &r : rows) EXPECT_EQ(zic.compile(qeltest::zicstr(r)), "") << qeltest::zicstr(r);
}

}  // namespace
