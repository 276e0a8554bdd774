// SPDX-License-Identifier: MIT
// The engine's decisions at its seam: a verdict over the libraries, and the
// record derived for a place over a window, on zones zic compiles from
// sources whose every change is worked out by hand in the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "formats/posix_tz.hpp"
#include "formats/time_text.hpp"
#include "judge/derive.hpp"
#include "judge/engine.hpp"
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

// A derivation as its record's TZ string ("" for none) and the kinds of its
// rewrites (or, without a record, of its reasons).
std::pair<std::string, std::string> outcome(const qeltz::Derivation &d) {
    char tz[128] = "";
    EXPECT_TRUE(!d.representable || qel_tzset_to_tzstr(&d.record, tz, sizeof tz) == QEL_OK);
    std::string kinds;
    for (const auto &r : d.representable ? d.rewrites : d.reasons)
        kinds += (kinds.empty() ? "" : " ") + std::string(qeltz::kind_word(r.kind));
    return {tz, kinds};
}

// The record for a POSIX rule over a window: rewritten where the record
// cannot hold it as it stands, none where it cannot hold it at all.
TEST_F(Derive, RecordOfARule) {
    struct Row {
        const char *rule;
        qeltz::Window window;
        const char *tz, *kinds;
        int valid_through;
    };
    const qeltz::Window years = qeltz::years_window(2026, 2036);
    const Row rows[] = {
        {"EST5EDT,M3.2.0,M11.1.0", years, "EST+05:00:00EDT+04:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
         "default-taken default-taken default-taken", 0},
        // Rule times of 0 and 24 hours, as they stand.
        {"<-03>3<-02>2,M3.5.0/0,M10.5.0/24", years, "BRT+03:00:00BRST+02:00:00,M3.5.0/00:00:00,M10.5.0/24:00:00", "",
         0},
        // Winter as the daylight time: the rules swap.
        {"IST-1GMT0,M10.5.0,M3.5.0/1", years, "GMT-00:00:00BST-01:00:00,M3.5.0/01:00:00,M10.5.0/02:00:00",
         "negative-daylight default-taken", 0},
        // 23:00 on the Saturday before the last Sunday of March is the
        // fourth Saturday at 23:00 up to 2029 (2030's March ends on a Sunday).
        {"<-01>1<+00>0,M3.5.0/-1,M10.5.0/0", qeltz::years_window(2026, 2028),
         "EGT+01:00:00EGST-00:00:00,M3.4.6/23:00:00,M10.5.0/00:00:00", "rule-rewritten", 2029},
        {"CET-1CEST,J60/2,M10.5.0/3", years, "", "rule-not-held", 0},  // March 1 falls on every weekday
        {"<+0115>-1:15", years, "", "offset-outside-catalogue", 0},
        {"CET-1CEST-1:45,M3.5.0/2,M10.5.0/3", years, "", "daylight-amount", 0},
        {"CET-1CEST", years, "", "daylight-without-rules", 0},
    };
    for (const Row &row : rows) {
        qeltz::PosixTz rule;
        std::string why;
        ASSERT_TRUE(qeltz::parse_posix_tz(row.rule, rule, why)) << why;
        const qeltz::Derivation d = qeltz::derive_record(rule, row.window);
        EXPECT_EQ(outcome(d), std::make_pair(std::string(row.tz), std::string(row.kinds))) << row.rule;
        EXPECT_EQ(d.valid_through, row.valid_through) << row.rule;
    }
}

// The record for a place over a window: from its rule line where that holds
// throughout, from its own changes in the window where not, none where no
// yearly rule gives them (a rule that ends inside the window is not kept).
// Every rewrite and reason, by kind; the place's local time inside the window.
TEST_F(Derive, FollowsThePlaceInTheWindow) {
    if (!zic_->usable()) GTEST_SKIP() << "zic is not installed";
    struct Row {
        const char *place;
        qeltz::Window window;
        const char *tz;     // the record's TZ string; "" for none
        const char *kinds;  // the rewrites' (or reasons') kinds
    };
    const Row rows[] = {
        {"Test/Berlin", qeltz::years_window(1970, 1970), "CET-01:00", "own-changes"},
        // One winter (a span of a schedule): one offset, whatever the rule line says of summers.
        {"Test/Berlin", qeltz::Window{qeltz::year_start(2026) + 310 * 86400, qeltz::year_start(2027) + 59 * 86400},
         "CET-01:00", "own-changes"},
        // Up to the start of summer time in 2027; the daylight offset and the
        // start rule's time are not given.
        {"Test/Berlin", qeltz::Window{qeltz::year_start(2026), 1806195600},
         "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00", "default-taken default-taken"},
        // PST8PDT ends on 2026-11-01: over the whole years no record, from
        // December on MST.
        {"Test/Vancouver", qeltz::years_window(2026, 2036), "", "no-yearly-rule"},
        {"Test/Vancouver", qeltz::Window{qeltz::year_start(2026) + 340 * 86400, qeltz::year_start(2037)}, "MST+07:00",
         ""},
        // From the changes of 2020-03-08 (the 8th: week 2) and 2020-11-01, and
        // of 2021-03-14 (the 14th: still week 2) and 2021-11-07.
        {"Test/Vancouver", qeltz::years_window(2020, 2025), "PST+08:00:00PDT+07:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
         "own-changes"},
        {"Test/Vancouver", qeltz::years_window(2021, 2025), "PST+08:00:00PDT+07:00:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
         "own-changes"},
        // Last Sundays of September and April, months of 30 days.
        {"Test/South", qeltz::years_window(2026, 2036), "AST+04:00:00ADT+03:00:00,M9.5.0/02:00:00,M4.5.0/03:00:00",
         "default-taken default-taken"},
    };
    for (const Row &row : rows) {
        const qeltz::TzifZone z = zone(kSources, row.place);
        const auto spans = qeltz::zone_local_time(z, row.window);  // from the window's start, inside it
        EXPECT_TRUE(!spans.empty() && spans.front().from == row.window.from && spans.back().from < row.window.to)
            << row.place;
        const qeltz::Derivation d = qeltz::derive_place(z, row.window);
        EXPECT_EQ(outcome(d), std::make_pair(std::string(row.tz), std::string(row.kinds)))
            << row.place << " over " << row.window.text();
    }
}

// zic reads week 5 as "on or after the 29th": in years whose last Sunday of
// the month comes before it (March 2027, October 2026), the zic text changes
// a week late while the TZ string holds, whichever rule has week 5.
TEST_F(Derive, ZicWeek5IsNamedForEitherRule) {
    if (!zic_->usable()) GTEST_SKIP() << "zic is not installed";
    const std::string source = std::string(kSources) +
                               "Rule Early 2000 max - Mar lastSun 2:00 1:00 D\n"
                               "Rule Early 2000 max - Nov Sun>=1 2:00 0 S\n"
                               "Zone Test/Early -5:00 Early E%sT\n"
                               "Rule Late 2000 max - Mar Sun>=8 2:00 1:00 D\n"
                               "Rule Late 2000 max - Oct lastSun 2:00 0 S\n"
                               "Zone Test/Late -5:00 Late E%sT\n";
    const std::string berlin = zic_->compile(source, nullptr, "Test/Berlin");
    ASSERT_FALSE(berlin.empty());
    const std::string dir = berlin.substr(0, berlin.rfind("/Test/"));
    ASSERT_TRUE(qeltz::write_file(dir + "/tzdata.zi", source));
    qeltz::Engine engine(qeltz::years_window(2026, 2036), qeltz::c_libraries());
    const qeltz::TzDatabase db = qeltz::tz_database(dir);
    const size_t early = engine.derived(engine.place(db, "Test/Early")),
                 late = engine.derived(engine.place(db, "Test/Late"));
    std::string why;
    ASSERT_TRUE(engine.run(why)) << why;
    for (size_t at : {early, late}) {
        const qeltz::Judgement &j = engine.result(at);
        EXPECT_EQ(j.tz_verdict, Verdict::kExact) << j.tz;
        EXPECT_EQ(j.zic_verdict, Verdict::kDiffers) << j.tz;
        EXPECT_TRUE(std::any_of(j.reasons.begin(), j.reasons.end(), [](const qeltz::Reason &r) {
            return r.kind == qeltz::ReasonKind::kZicWeek5;
        })) << j.tz;
    }
}

// From the start of the hour of now to the end of the tenth year after.
TEST(Window, FromTheHourToTheEndOfTheTenthYear) {
    struct Row {
        int64_t now;
        const char *from, *to;
    };
    const Row rows[] = {
        {1796621430, "2026-12-07 05:00:00", "2037-01-01 00:00:00"},  // 05:30:30
        {1798761599, "2026-12-31 23:00:00", "2037-01-01 00:00:00"},  // the last second of 2026
        {1798761600, "2027-01-01 00:00:00", "2038-01-01 00:00:00"},
        {-1, "1969-12-31 23:00:00", "1980-01-01 00:00:00"},
    };
    for (const Row &row : rows) {
        const qeltz::Window w = qeltz::window_from(row.now);
        EXPECT_EQ(qeltz::date_time_text(w.from) + " " + qeltz::date_time_text(w.to),
                  std::string(row.from) + " " + row.to)
            << row.now;
    }
    // Every year's first second against the C library's calendar.
    for (int year = 1800; year <= 2500; ++year) {
        struct tm tm {};
        tm.tm_year = year - 1900;
        tm.tm_mday = 1;
        const int64_t start = timegm(&tm);
        ASSERT_EQ(qeltz::year_start(year), start) << year;
        ASSERT_EQ(qeltz::year_of(start), year);
        ASSERT_EQ(qeltz::year_of(start - 1), year - 1);
    }
}

// Where no record expresses the place over part of the window, one
// approximate span of the nearest record. Lord Howe in 2027-2028: UTC+11 each
// summer, UTC+10:30 from the first Sunday of April 02:00 (+11) to the first
// Sunday of October 02:00 (+10:30), 182 days and 30 minutes each year; its
// nearest record is UTC+11 all year, wrong those winters, not the two summers
// apart. Chatham: every record is wrong throughout; the nearest moves its
// rule to UTC+13, 15 minutes ahead, and changes at other instants (45
// minutes behind in April, 1 hour 15 minutes ahead in September). The cost
// says each amount and when.
TEST_F(Derive, TheScheduleSaysTheGapsOnce) {
    if (!zic_->usable()) GTEST_SKIP() << "zic is not installed";
    struct Row {
        const char *place;
        const char *tz;    // the one span's record
        int64_t wrong;     // its wrong time, seconds
        const char *cost;  // its cost: each amount wrong and when
    };
    const qeltz::Window years = qeltz::years_window(2027, 2028);
    const Row rows[] = {
        {"Test/LordHowe", "MAGT-11:00", 2 * (182 * 86400 + 1800),
         "30 minutes ahead from early April to early October each year,"},
        {"Test/Chatham", "WST-13:00:00WDT-14:00:00,M9.5.0/02:45:00,M4.1.0/03:45:00", years.to - years.from,
         "15 minutes ahead nearly throughout; 45 minutes behind in early April each year; 1 hour 15 minutes ahead in "
         "late September each year,"},
    };
    for (const Row &row : rows) {
        const qeltz::TzifZone z = zone(kSources, row.place);
        const auto plan = qeltz::plan_schedule(z, years);
        ASSERT_EQ(plan.size(), 1u) << row.place;
        const qeltz::Derivation &d = plan[0].derivation;
        char tz[128] = "";
        ASSERT_TRUE(d.representable && qel_tzset_to_tzstr(&d.record, tz, sizeof tz) == QEL_OK) << row.place;
        EXPECT_STREQ(tz, row.tz) << row.place;
        EXPECT_EQ(d.approximate.rfind(row.cost, 0), 0u) << d.approximate;
        const auto c =
            qeltz::compare_timelines(qeltz::zone_local_time(z, years), qeltz::rule_local_time(d.rule, years), years.to);
        EXPECT_EQ(c.wrong_seconds, row.wrong) << row.place;
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
