// SPDX-License-Identifier: MIT
// The engine's decisions at its seam: a verdict over the libraries, and the
// record derived for a place over a window, on zones zic compiles from
// sources whose every change is worked out by hand in the rows.
#include <gtest/gtest.h>

#include <string>

#include "formats/posix_tz.hpp"
#include "judge/derive.hpp"
#include "judge/judgement.hpp"
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
    "Zone Test/South -4:00 South -04/-03\n";

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

// The record's rule for one it cannot hold, against an oracle that tries
// every month, week and weekday at the time brought into 0..24 hours: the
// one that falls where the rule does in the most years from the first on,
// then in the most years, the first such. Rules whose days move into other
// months and years, over a year, ten and five centuries.
TEST(DeriveRecord, ClosestRuleIsTheBestOfEveryCandidate) {
    const char *const rules[] = {"J60/2", "59/2", "M3.4.4/26", "M10.5.0/-1", "J365/25", "M2.5.6/-48", "0/-25"};
    const qeltz::Window windows[] = {qeltz::years_window(2024, 2024), qeltz::years_window(2026, 2036),
                                     qeltz::years_window(1900, 2400)};
    for (const char *text : rules) {
        for (const qeltz::Window &window : windows) {
            qeltz::PosixTz tz;
            std::string why;
            ASSERT_TRUE(qeltz::parse_posix_tz(std::string("AAA-1BBB,") + text + ",M10.5.0", tz, why)) << why;
            qeltz::PosixRule best;
            std::pair<int, int> best_score{0, 0};  // years held from the first on, years held
            for (int m = 1; m <= 12; ++m) {
                for (int w = 1; w <= 5; ++w) {
                    for (int d = 0; d <= 6; ++d) {
                        qeltz::PosixRule c;
                        c.month = m, c.week = w, c.wday = d, c.time = (tz.start.time % 86400 + 86400) % 86400;
                        std::pair<int, int> score{0, 0};
                        for (int y = window.first_year(); y <= window.last_year(); ++y) {
                            const bool same = rule_local_seconds(c, y) == rule_local_seconds(tz.start, y);
                            score.first += same && score.first == y - window.first_year() ? 1 : 0;
                            score.second += same ? 1 : 0;
                        }
                        if (score > best_score) best_score = score, best = c;
                    }
                }
            }
            const qeltz::Derivation d = qeltz::derive_record(tz, window);
            const int years = window.last_year() - window.first_year() + 1;
            if (best_score.first == years) {
                EXPECT_EQ(qeltz::rule_text(qeltz::rule_of(d.record.start)), qeltz::rule_text(best)) << text;
            } else {
                ASSERT_FALSE(d.reasons.empty()) << text << " over " << window.years_text();
                EXPECT_EQ(d.reasons.back().kind, qeltz::ReasonKind::kRuleNotHeld) << text;
                EXPECT_EQ(best_score.second > 0,
                          d.reasons.back().text.find(qeltz::rule_text(best)) != std::string::npos)
                    << text << " over " << window.years_text() << ": " << d.reasons.back().text;
            }
        }
    }
}

}  // namespace
