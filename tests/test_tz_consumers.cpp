// The texts the writers produce, handed to their real consumers: every TZ
// string to the C library's own TZ handling, every zic text to zic, the
// result read back with zdump. Each must mean what the record means, as an
// independent model computes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "civil_model.hpp"
#include "qel_time.h"
#include "tz_test_support.hpp"
#include "zic_runner.hpp"

namespace {

using qeltest::Change;
using qeltest::changes;
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

using WithTz = qeltz::ScopedTz;

struct Local {
    long gmtoff;
    int isdst;
    std::string zone;
};

Local local_at(int64_t t) {
    const auto native = static_cast<time_t>(t);
    struct tm tm {};
    localtime_r(&native, &tm);
    return Local{tm.tm_gmtoff, tm.tm_isdst, tm.tm_zone};
}

// Every zone with each rule pair: the TZ string reads back as the record; the
// C library gives, on both sides of every change of 2026..2030, the offsets
// and names that the model gives; and the compiled zic text shows, to zdump,
// the model's changes of zic's reading. A week-5 rule falls there on the first
// such weekday on or after the 29th (which may be in the next month) instead
// of the last one: where the two days differ, the C library shows no change at
// zdump's instant.
TEST(Consumers, EveryZoneAndEveryChange) {
    const qeltz::ZicWorkspace zic;
    if (!zic.usable()) {
        // The full test run installs zic and zdump: there a missing one is a failure.
        EXPECT_EQ(std::getenv("QEL_REQUIRE_CONSUMERS"), nullptr) << "zic or zdump is not installed";
        std::printf("zic or zdump is not installed: zic texts not checked\n");
    }
    int checked = 0, compared = 0, moved = 0;
    const int64_t lo = qeltest::days_from_civil(2026, 1, 1) * 86400;
    const int64_t hi = qeltest::days_from_civil(2031, 1, 1) * 86400;
    for (size_t i = 0; i < std::size(qeltest::kCatalogue); ++i) {
        const qeltest::Zone &z = qeltest::kCatalogue[i];
        const int32_t s = z.minutes();
        {
            WithTz zone(qeltest::tzstr(record(z.long_code())));
            const Local l = local_at(1783000000);
            EXPECT_TRUE(l.gmtoff == s * 60L && l.zone == z.std && l.isdst == 0) << z.std;
            if (zic.usable()) {
                const std::string fixed = zic.compile(qeltest::zicstr(record(z.long_code())));
                ASSERT_FALSE(fixed.empty()) << z.std;
                EXPECT_TRUE(zic.changes(fixed, 2026, 2031).empty()) << z.std;
                WithTz compiled(":" + fixed);
                EXPECT_TRUE(local_at(1783000000).gmtoff == s * 60L && local_at(0).zone == z.std) << z.std;
            }
        }
        for (size_t k = 0; k < std::size(kRulePairs); ++k) {
            const int32_t amount = amount_for(i, k);
            const qel_tzset r = record(z.long_code(), 1, amount, kRulePairs[k].start, kRulePairs[k].end);
            const std::string tz = qeltest::tzstr(r);
            // It reads back, unless daylight time goes past UTC+14:00.
            qel_tzset back{};
            const bool readable = s + amount <= 14 * 60;
            EXPECT_EQ(qel_tzstr_to_tzset(tz.c_str(), &back), readable ? QEL_OK : QEL_EINVAL) << tz;
            EXPECT_TRUE(!readable || qeltest::same_record(back, r)) << tz;
            // The model's changes of 2025..2031, of which those in 2026..2030 count.
            const std::vector<Change> model = changes(r, s, amount, 2025, 2031);
            WithTz zone(tz);
            for (const Change &c : model) {
                if (c.posix_at < lo || c.posix_at >= hi) continue;
                const Local before = local_at(c.posix_at - 1);
                const Local after = local_at(c.posix_at);
                ASSERT_EQ(after.gmtoff, c.gmtoff) << tz << " at " << c.posix_at;
                ASSERT_EQ(before.gmtoff, (c.dst ? s : s + amount) * 60) << tz << " at " << c.posix_at - 1;
                ASSERT_EQ(after.zone, c.dst ? z.dst : z.std) << tz;
                ASSERT_EQ(before.zone, c.dst ? z.std : z.dst) << tz;
                ASSERT_EQ(after.isdst, c.dst ? 1 : 0) << tz;
                ++checked;
            }
            if (!zic.usable()) continue;
            const std::string text = qeltest::zicstr(r);
            const std::string path = zic.compile(text);
            ASSERT_FALSE(path.empty()) << text;
            const std::vector<qeltz::ZoneChange> got = zic.changes(path, 2026, 2031);
            std::vector<Change> want;
            for (const Change &c : model) {
                if (c.zic_at >= lo && c.zic_at < hi) want.push_back(c);
            }
            std::sort(want.begin(), want.end(), [](const Change &a, const Change &b) { return a.zic_at < b.zic_at; });
            ASSERT_EQ(got.size(), want.size()) << text;
            for (size_t j = 0; j < got.size(); ++j) {
                const Change &c = want[j];
                ASSERT_EQ(got[j].at, c.zic_at) << text;
                EXPECT_EQ(got[j].gmtoff, c.gmtoff) << text;
                EXPECT_EQ(got[j].isdst, c.dst ? 1 : 0) << text;
                EXPECT_EQ(got[j].zone, c.dst ? (s == 0 ? "GDT" : z.dst) : z.std) << text;
                const Local before = local_at(got[j].at - 1);
                const Local after = local_at(got[j].at);
                if (c.posix_at == c.zic_at) {
                    EXPECT_EQ(after.gmtoff, got[j].gmtoff) << tz;
                    EXPECT_NE(before.gmtoff, after.gmtoff) << tz;
                } else {
                    EXPECT_EQ(c.week, 5) << text;  // only week 5 is read two ways
                    EXPECT_EQ(before.gmtoff, after.gmtoff) << tz;
                    ++moved;
                }
                ++compared;
            }
        }
    }
    EXPECT_EQ(checked, 35 * 6 * 5 * 2);
    if (zic.usable()) {
        EXPECT_GT(compared, 1500);
        EXPECT_GT(moved, 100);
    }
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
