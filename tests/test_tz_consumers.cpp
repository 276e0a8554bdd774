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

// Minutes east of UTC of a long code.
int32_t code_minutes(int32_t code) {
    const int32_t d = code - 10000;
    return 60 * (d / 100) + d % 100;
}

int32_t written_amount(int32_t dst_minutes) {
    return dst_minutes == 60 || dst_minutes == 90 || dst_minutes == 120 ? dst_minutes : 30;
}

// Rule pairs: northern and southern, every week, assorted weekdays and times.
struct RulePair {
    qel_tzrule start, end;
};
const RulePair kRulePairs[] = {
    {rule(3, 5, 0, 2), rule(10, 5, 0, 3)},        {rule(3, 2, 0, 2), rule(11, 1, 0, 2)},
    {rule(10, 1, 0, 2), rule(4, 1, 0, 3)},        {rule(4, 3, 3, 1, 30), rule(9, 4, 5, 23, 15)},
    {rule(5, 5, 6, 0, 0), rule(8, 5, 2, 22, 45)}, {rule(9, 5, 1, 2), rule(3, 5, 4, 3)},
};
const int32_t kAmounts[] = {30, 60, 90, 120};

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

TEST(CLibraryReadsTheTzString, StandardTimeOnly) {
    for (int32_t code : qeltest::kLongCodes) {
        const std::string tz = qeltest::tzstr(record(code));
        std::string std_name, dst_name;
        qeltz::tz_names(tz, std_name, dst_name);
        WithTz zone(tz);
        for (int64_t t : {int64_t{1767225600}, int64_t{1783000000}}) {
            const Local l = local_at(t);
            EXPECT_EQ(l.gmtoff, code_minutes(code) * 60) << tz;
            EXPECT_EQ(l.zone, std_name) << tz;
            EXPECT_EQ(l.isdst, 0) << tz;
        }
    }
}

// On both sides of every change of 2026..2028, the C library gives the
// offsets and names that the model gives for the record.
TEST(CLibraryReadsTheTzString, BothSidesOfEveryChange) {
    int checked = 0;
    for (int32_t code : qeltest::kLongCodes) {
        for (int32_t amount : kAmounts) {
            for (const auto &pair : kRulePairs) {
                const qel_tzset r = record(code, 1, amount, pair.start, pair.end);
                const std::string tz = qeltest::tzstr(r);
                std::string std_name, dst_name;
                qeltz::tz_names(tz, std_name, dst_name);
                WithTz zone(tz);
                const int32_t s = code_minutes(code);
                for (const Change &c : changes(r, s, written_amount(amount), 2026, 2028)) {
                    const Local before = local_at(c.posix_at - 1);
                    const Local after = local_at(c.posix_at);
                    const long before_off = c.dst ? s * 60 : (s + written_amount(amount)) * 60;
                    ASSERT_EQ(after.gmtoff, c.gmtoff) << tz << " at " << c.posix_at;
                    ASSERT_EQ(before.gmtoff, before_off) << tz << " at " << c.posix_at - 1;
                    ASSERT_EQ(after.zone, c.dst ? dst_name : std_name) << tz;
                    ASSERT_EQ(before.zone, c.dst ? std_name : dst_name) << tz;
                    ASSERT_EQ(after.isdst, c.dst ? 1 : 0) << tz;
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 35 * 4 * 6 * 3 * 2);
}

// ---- zic and zdump ----------------------------------------------------------

class Zic : public ::testing::Test {
  protected:
    void SetUp() override {
        if (zic_.usable()) return;
        // The full test run installs zic and zdump: there a missing one is a failure, not a skip.
        if (std::getenv("QEL_REQUIRE_CONSUMERS") != nullptr) FAIL() << "zic or zdump is not installed";
        GTEST_SKIP() << "zic or zdump is not installed; zic texts not checked";
    }
    std::string compile(const std::string &text) const { return zic_.compile(text); }
    std::vector<qeltz::ZoneChange> dump(const std::string &path, int from, int to) const {
        return zic_.changes(path, from, to);
    }

    qeltz::ZicWorkspace zic_;
};

// The daylight name that zic makes from the FORMAT and letters: the TZ
// string's, except for UTC, whose zic letters give "GDT".
std::string zic_dst_name(int32_t code, const std::string &tz_dst_name) { return code == 10000 ? "GDT" : tz_dst_name; }

TEST_F(Zic, StandardTimeOnlyCompilesToAFixedOffset) {
    for (int32_t code : qeltest::kLongCodes) {
        const std::string path = compile(qeltest::zicstr(record(code)));
        ASSERT_FALSE(path.empty()) << code;
        EXPECT_TRUE(dump(path, 2026, 2031).empty()) << code;
        std::string std_name, dst_name;
        qeltz::tz_names(qeltest::tzstr(record(code)), std_name, dst_name);
        WithTz zone(path);
        const Local l = local_at(1783000000);
        EXPECT_EQ(l.gmtoff, code_minutes(code) * 60) << code;
        EXPECT_EQ(l.zone, std_name) << code;
    }
}

// zdump of the compiled text shows the changes that the C library gives for
// the TZ string, except that a week-5 rule falls on the first such weekday on
// or after the 29th (which may be in the next month) instead of the last one:
// where the two days differ, the C library shows no change at zdump's instant.
TEST_F(Zic, CompiledChangesMatchTheTzString) {
    int compared = 0;
    int moved = 0;
    const int64_t lo = qeltest::days_from_civil(2026, 1, 1) * 86400;
    const int64_t hi = qeltest::days_from_civil(2031, 1, 1) * 86400;
    for (size_t i = 0; i < std::size(qeltest::kLongCodes); ++i) {
        const int32_t code = qeltest::kLongCodes[i];
        for (size_t k = 0; k < std::size(kRulePairs); ++k) {
            const int32_t amount = kAmounts[(i + k) % 4];
            const qel_tzset r = record(code, 1, amount, kRulePairs[k].start, kRulePairs[k].end);
            const std::string tz = qeltest::tzstr(r);
            const std::string zic = qeltest::zicstr(r);
            std::string std_name, dst_name;
            qeltz::tz_names(tz, std_name, dst_name);
            const std::string path = compile(zic);
            ASSERT_FALSE(path.empty()) << zic;
            const std::vector<qeltz::ZoneChange> got = dump(path, 2026, 2031);

            std::vector<Change> want;
            for (const Change &c : changes(r, code_minutes(code), written_amount(amount), 2025, 2031)) {
                if (c.zic_at >= lo && c.zic_at < hi) want.push_back(c);
            }
            std::sort(want.begin(), want.end(), [](const Change &a, const Change &b) { return a.zic_at < b.zic_at; });
            ASSERT_EQ(got.size(), want.size()) << zic;

            WithTz zone(tz);
            for (size_t j = 0; j < got.size(); ++j) {
                const Change &c = want[j];
                ASSERT_EQ(got[j].at, c.zic_at) << zic;
                EXPECT_EQ(got[j].gmtoff, c.gmtoff) << zic;
                EXPECT_EQ(got[j].isdst, c.dst ? 1 : 0) << zic;
                EXPECT_EQ(got[j].zone, c.dst ? zic_dst_name(code, dst_name) : std_name) << zic;
                const Local before = local_at(got[j].at - 1);
                const Local after = local_at(got[j].at);
                if (c.posix_at == c.zic_at) {
                    EXPECT_EQ(after.gmtoff, got[j].gmtoff) << tz;
                    EXPECT_NE(before.gmtoff, after.gmtoff) << tz;
                } else {
                    EXPECT_EQ(c.week, 5) << zic;  // only week 5 is read two ways
                    EXPECT_EQ(before.gmtoff, after.gmtoff) << tz;
                    ++moved;
                }
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 1500);
    EXPECT_GT(moved, 100);
}

// Records that zic cannot take, although the writer writes them: week 5 of
// February ("Sun>=29" in a common year), and times zic does not read.
TEST_F(Zic, RecordsNotRepresentableByZic) {
    const qel_tzset rows[] = {
        record(10100, 1, 60, rule(2, 5, 0, 2), rule(10, 5, 0, 3)),
        record(10100, 1, 60, rule(3, 5, 0, 2, -5), rule(10, 5, 0, 3)),
        record(10100, 1, 60, rule(3, 5, 0, 2, 60), rule(10, 5, 0, 3)),
    };
    for (const auto &r : rows) EXPECT_EQ(compile(qeltest::zicstr(r)), "") << qeltest::zicstr(r);
}

}  // namespace
