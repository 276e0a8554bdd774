// SPDX-License-Identifier: MIT
// The engine's decisions at its seam: a verdict over the libraries, and the
// record derived for a place over a window, on zones zic compiles from
// sources whose every change is worked out by hand in the rows.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/posix_tz.hpp"
#include "judge/derive.hpp"
#include "judge/judgement.hpp"
#include "judge/local_time.hpp"
#include "judge/schedule.hpp"
#include "judge/verdict.hpp"
#include "system/process.hpp"
#include "system/zic_runner.hpp"

namespace {

using qeltz::Verdict;

qeltz::LibraryComparison read(const char *library, Verdict v, int64_t first_wrong, int64_t seconds) {
    qeltz::LibraryComparison c{library, {}};
    c.comparison.verdict = v;
    if (first_wrong != 0) c.comparison.differences.push_back({first_wrong, first_wrong + seconds, {}, {}});
    c.comparison.wrong_seconds = seconds;
    return c;
}

// Whatever the order of the libraries: the worst verdict, the earliest
// wrong instant, the longest wrong time.
TEST(Engine, TheWorstLibraryDecides) {
    struct Row {
        std::vector<qeltz::LibraryComparison> reads;
        Verdict verdict;
        int64_t wrong_from, wrong_seconds;
    };
    const Row rows[] = {
        {{read("glibc", Verdict::kDiffers, 500, 10), read("musl", Verdict::kExact, 0, 0)}, Verdict::kDiffers, 500, 10},
        {{read("glibc", Verdict::kExact, 0, 0), read("musl", Verdict::kDiffers, 700, 30)}, Verdict::kDiffers, 700, 30},
        {{read("glibc", Verdict::kDiffers, 100, 5), read("musl", Verdict::kDiffers, 900, 80)},
         Verdict::kDiffers,
         100,
         80},
        {{read("glibc", Verdict::kOffsetsAgree, 0, 0), read("musl", Verdict::kExact, 0, 0)},
         Verdict::kOffsetsAgree,
         qeltz::Judgement::kNever,
         0},
    };
    for (const Row &row : rows) {
        qeltz::Judgement j;
        j.tz_comparisons = row.reads;
        qeltz::judge_over_libraries(j);
        EXPECT_EQ(j.tz_verdict, row.verdict);
        EXPECT_EQ(j.wrong_from, row.wrong_from);
        EXPECT_EQ(j.wrong_seconds, row.wrong_seconds);
    }
}

std::vector<qeltz::Span> timeline(std::initializer_list<std::pair<int64_t, int32_t>> changes) {
    std::vector<qeltz::Span> spans;
    for (const auto &[from, offset] : changes) spans.push_back({from, offset, false, std::to_string(spans.size())});
    return spans;
}

// How a record's offset goes wrong, from synthetic timelines: every span is
// named apart, so a stretch of one error may come as several differences.
TEST(Engine, OffsetErrorsHaveAShape) {
    constexpr int64_t D = 86400, H = 3600;
    using E = qeltz::OffsetError;
    struct Row {
        std::vector<qeltz::Span> place, record;
        int64_t to;
        size_t errors;
        E first;  // of the first error: ahead, shape, stretches, its first stretch
        int64_t seconds;
    };
    // clang-format off
    const Row rows[] = {
        {timeline({{0, 0}}), timeline({{0, 0}, {10 * D, H}, {12 * D, 0}}), 100 * D, 1,
         {H, E::kOnce, 1, 10 * D, 12 * D}, 2 * D},
        {timeline({{0, 0}, {15 * D, 0}}), timeline({{0, H}}), 30 * D, 1, {H, E::kToTheEnd, 1, 0, 30 * D}, 30 * D},
        // Behind each winter, the first cut by the window: the ends a year
        // apart, then the starts.
        {timeline({{0, -7 * H}}), timeline({{0, -8 * H}, {100 * D, -7 * H}, {300 * D, -8 * H}, {465 * D, -7 * H},
                                            {665 * D, -8 * H}, {830 * D, -7 * H}}), 1000 * D, 1,
         {-H, E::kYearly, 3, 0, 100 * D}, 430 * D},
        // Two stretches a year, each back a year later.
        {timeline({{0, 0}}), timeline({{0, H}, {10 * D, 0}, {300 * D, H}, {360 * D, 0}, {365 * D, H}, {375 * D, 0},
                                       {665 * D, H}, {725 * D, 0}, {730 * D, H}, {740 * D, 0}}), 800 * D, 1,
         {H, E::kYearly, 5, 0, 10 * D}, 150 * D},
        {timeline({{0, 0}}), timeline({{0, 0}, {10 * D, H}, {11 * D, 0}, {200 * D, H}, {201 * D, 0}}), 400 * D, 1,
         {H, E::kScattered, 2, 10 * D, 11 * D}, 2 * D},
        {timeline({{0, 0}}), timeline({{0, 0}, {10 * D, -H / 2}, {20 * D, H}, {30 * D, -H / 2}}), 40 * D, 2,
         {-H / 2, E::kScattered, 2, 10 * D, 20 * D}, 20 * D},
    };
    // clang-format on
    for (const Row &row : rows) {
        const auto c = qeltz::compare_timelines(row.place, row.record, row.to);
        const auto errors = qeltz::offset_errors(c.differences, 0, row.to);
        ASSERT_EQ(errors.size(), row.errors);
        const E &e = errors.front();
        EXPECT_EQ(e.ahead, row.first.ahead);
        EXPECT_EQ(e.shape, row.first.shape) << row.first.ahead;
        EXPECT_EQ(e.stretches, row.first.stretches);
        EXPECT_EQ(e.first_from, row.first.first_from);
        EXPECT_EQ(e.first_until, row.first.first_until);
        EXPECT_EQ(e.seconds, row.seconds);
    }
}

class Derive : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { zic_ = new qeltz::ZicWorkspace; }
    static void TearDownTestSuite() { delete zic_; }

    // The zone `name` of the source, compiled fat (every transition to 2037
    // in its table).
    qeltz::TzifZone zone(const std::string &source, const std::string &name) {
        const std::string path = zic_->compile(source, nullptr, name);
        qeltz::TzifZone z;
        std::string bytes, why;
        EXPECT_TRUE(!path.empty() && qeltz::read_file(path, bytes) && qeltz::parse_tzif(bytes, z, why)) << why;
        return z;
    }
    static qeltz::ZicWorkspace *zic_;
};
qeltz::ZicWorkspace *Derive::zic_ = nullptr;

const char *const kSources =
    "Rule EU 1981 max - Mar lastSun 1:00u 1:00 S\n"
    "Rule EU 1996 max - Oct lastSun 1:00u 0 -\n"
    "Zone Test/Berlin 1:00 - CET 1980\n 1:00 EU CE%sT\n"
    "Rule US 2007 max - Mar Sun>=8 2:00 1:00 D\n"
    "Rule US 2007 max - Nov Sun>=1 2:00 0 S\n"
    "Zone Test/Vancouver -8:00 US P%sT 2026 Nov 1 2:00\n -7:00 - MST\n"
    "Rule South 2000 max - Sep lastSun 2:00 1:00 -\n"
    "Rule South 2000 max - Apr lastSun 3:00 0 -\n"
    "Zone Test/South -4:00 South -04/-03\n"
    "Rule LH 2000 max - Oct Sun>=1 2:00 0:30 -\n"
    "Rule LH 2000 max - Apr Sun>=1 2:00 0 -\n"
    "Zone Test/LordHowe 10:30 LH +1030/+11\n"
    "Rule Chatham 2008 max - Apr Sun>=1 2:45s 0 -\n"
    "Rule Chatham 2007 max - Sep lastSun 2:45s 1:00 -\n"
    "Zone Test/Chatham 12:45 Chatham +1245/+1345\n";

// The record for a place over a window: from its rule line where that holds
// throughout, from its own changes in the window where not, none where no
// yearly rule gives them (a rule that ends inside the window is not kept).
TEST_F(Derive, FollowsThePlaceInTheWindow) {
    if (!zic_->usable()) GTEST_SKIP() << "zic is not installed";
    struct Row {
        const char *place;
        qeltz::Window window;
        const char *tz;          // the record's TZ string; "" for none
        qeltz::ReasonKind kind;  // the first reason or rewrite
    };
    const auto kNone = qeltz::ReasonKind::kCount;
    const Row rows[] = {
        {"Test/Berlin", qeltz::years_window(1970, 1970), "CET-01:00", qeltz::ReasonKind::kOwnChanges},
        {"Test/Berlin", qeltz::years_window(2026, 2036), "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00",
         qeltz::ReasonKind::kDefaultTaken},
        // PST8PDT ends on 2026-11-01: over the whole years no record, from
        // December on MST.
        {"Test/Vancouver", qeltz::years_window(2026, 2036), "", qeltz::ReasonKind::kNoYearlyRule},
        {"Test/Vancouver", qeltz::Window{qeltz::year_start(2026) + 340 * 86400, qeltz::year_start(2037)}, "MST+07:00",
         kNone},
        {"Test/Vancouver", qeltz::years_window(2020, 2025), "PST+08:00:00PDT+07:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
         qeltz::ReasonKind::kOwnChanges},
        // Last Sundays of September and April, months of 30 days.
        {"Test/South", qeltz::years_window(2026, 2036), "AST+04:00:00ADT+03:00:00,M9.5.0/02:00:00,M4.5.0/03:00:00",
         qeltz::ReasonKind::kDefaultTaken},
    };
    for (const Row &row : rows) {
        const qeltz::Derivation d = qeltz::derive_place(zone(kSources, row.place), row.window);
        char tz[128] = "";
        if (d.representable) {
            ASSERT_EQ(qel_tzset_to_tzstr(&d.record, tz, sizeof tz), QEL_OK) << row.place;
        }
        EXPECT_STREQ(tz, row.tz) << row.place << " over " << row.window.text();
        const auto &first = d.representable ? d.rewrites : d.reasons;
        EXPECT_EQ(first.empty() ? kNone : first.front().kind, row.kind) << row.place << " over " << row.window.text();
    }
}

// Where no record expresses the place over part of the window, one
// approximate span of the nearest record. Lord Howe in 2027-2028: UTC+11 each
// summer, UTC+10:30 from the first Sunday of April 02:00 (+11) to the first
// Sunday of October 02:00 (+10:30), 182 days and 30 minutes each year; its
// nearest record is UTC+11 all year, wrong those winters, not the two summers
// apart. Chatham: every record is wrong throughout; the nearest moves its
// rule to UTC+13, 15 minutes ahead.
TEST_F(Derive, TheScheduleSaysTheGapsOnce) {
    if (!zic_->usable()) GTEST_SKIP() << "zic is not installed";
    struct Row {
        const char *place;
        const char *tz;  // the one span's record
        int64_t wrong;   // its wrong time, seconds
    };
    const qeltz::Window years = qeltz::years_window(2027, 2028);
    const Row rows[] = {
        {"Test/LordHowe", "MAGT-11:00", 2 * (182 * 86400 + 1800)},
        {"Test/Chatham", "WST-13:00:00WDT-14:00:00,M9.5.0/02:45:00,M4.1.0/03:45:00", years.to - years.from},
    };
    for (const Row &row : rows) {
        const qeltz::TzifZone z = zone(kSources, row.place);
        const auto plan = qeltz::plan_schedule(z, years);
        ASSERT_EQ(plan.size(), 1u) << row.place;
        const qeltz::Derivation &d = plan[0].derivation;
        char tz[128] = "";
        ASSERT_TRUE(d.representable && qel_tzset_to_tzstr(&d.record, tz, sizeof tz) == QEL_OK) << row.place;
        EXPECT_STREQ(tz, row.tz) << row.place;
        EXPECT_FALSE(d.approximate.empty()) << row.place;
        const auto c =
            qeltz::compare_timelines(qeltz::zone_local_time(z, years), qeltz::rule_local_time(d.rule, years), years.to);
        EXPECT_EQ(c.wrong_seconds, row.wrong) << row.place;
    }
}

}  // namespace
