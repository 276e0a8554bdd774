// SPDX-License-Identifier: MIT
// The engine's decisions at its seam: a verdict over the libraries, and the
// record derived for a place over a window, on zones zic compiles from
// sources whose every change is worked out by hand in the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "formats/posix_tz.hpp"
#include "formats/time_text.hpp"
#include "judge/advice.hpp"
#include "judge/derive.hpp"
#include "judge/engine.hpp"
#include "judge/judgement.hpp"
#include "judge/local_time.hpp"
#include "judge/nearest_record.hpp"
#include "judge/schedule.hpp"
#include "judge/verdict.hpp"
#include "system/consumers.hpp"
#include "system/process.hpp"
#include "system/zic_runner.hpp"

namespace {

using qeltz::Verdict;

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
    "Zone Test/South -4:00 South -04/-03\n";

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

// From the start of the hour of now (the place table's: of the year) to the
// end of the tenth year after.
TEST(Window, FromTheHourToTheEndOfTheTenthYear) {
    struct Row {
        int64_t now;
        const char *from, *to, *table_from;
    };
    const Row rows[] = {
        {1796621430, "2026-12-07 05:00:00", "2037-01-01 00:00:00", "2026-01-01 00:00:00"},  // 05:30:30
        {1798761599, "2026-12-31 23:00:00", "2037-01-01 00:00:00", "2026-01-01 00:00:00"},  // 2026's last second
        {1798761600, "2027-01-01 00:00:00", "2038-01-01 00:00:00", "2027-01-01 00:00:00"},
        {-1, "1969-12-31 23:00:00", "1980-01-01 00:00:00", "1969-01-01 00:00:00"},
    };
    for (const Row &row : rows) {
        const qeltz::Window w = qeltz::window_from(row.now), table = qeltz::from_year_start(w);
        EXPECT_EQ(qeltz::date_time_text(w.from) + " " + qeltz::date_time_text(w.to) + " " +
                      qeltz::date_time_text(table.from) + " " + qeltz::date_time_text(table.to),
                  std::string(row.from) + " " + row.to + " " + row.table_from + " " + row.to)
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
            std::string best_years;                // "2026-2029, 2031"
            for (int m = 1; m <= 12; ++m) {
                for (int w = 1; w <= 5; ++w) {
                    for (int d = 0; d <= 6; ++d) {
                        qeltz::PosixRule c;
                        c.month = m, c.week = w, c.wday = d, c.time = (tz.start.time % 86400 + 86400) % 86400;
                        std::pair<int, int> score{0, 0};
                        std::string held_years;
                        int run_from = 0;
                        for (int y = window.first_year(); y <= window.last_year() + 1; ++y) {
                            const bool same =
                                y <= window.last_year() && rule_local_seconds(c, y) == rule_local_seconds(tz.start, y);
                            if (same && run_from == 0) run_from = y;
                            if (!same && run_from != 0) {
                                held_years += (held_years.empty() ? "" : ", ") + std::to_string(run_from) +
                                              (y - 1 > run_from ? "-" + std::to_string(y - 1) : "");
                                run_from = 0;
                            }
                            score.first += same && score.first == y - window.first_year() ? 1 : 0;
                            score.second += same ? 1 : 0;
                        }
                        if (score > best_score) best_score = score, best = c, best_years = held_years;
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
                const std::string &said = d.reasons.back().text;
                const std::string held = qeltz::rule_text(best) + " holds for " + best_years;
                EXPECT_EQ(best_score.second > 0,
                          said.size() > held.size() && said.compare(said.size() - held.size(), held.size(), held) == 0)
                    << text << " over " << window.years_text() << ": " << d.reasons.back().text;
            }
        }
    }
}

constexpr int64_t kDay = 86400, kHour = 3600;
const int64_t T0 = qeltz::year_start(2030), T1 = qeltz::year_start(2031), T2 = qeltz::year_start(2032);

qeltz::Span at(int64_t from, int32_t offset, const char *abbr, bool isdst = false) {
    return {from, offset, isdst, abbr};
}

// The hours a record is wrong in all, as its cost says them: to three
// figures, thousands set apart.
TEST(CostText, HoursToThreeFiguresGrouped) {
    const std::pair<int64_t, const char *> rows[] = {
        {5, "5"}, {999, "999"}, {1234, "1,230"}, {9996, "10,000"}, {52649, "52,600"}, {1234567, "1,230,000"},
    };
    for (const auto &[hours, figure] : rows) {
        qeltz::Comparison c;
        c.differences.push_back({0, hours * kHour, at(0, 3600, "A"), at(0, 7200, "B")});
        c.wrong_seconds = hours * kHour;
        const std::string text = qeltz::cost_text(c, {0, 3 * hours * kHour});
        EXPECT_NE(text.find(std::string(", about ") + figure + " hours"), std::string::npos) << hours << ": " << text;
    }
}

// The timelines compared over [0, 10 h): where the record's offset is not
// the place's, to the second, and what else differs.
TEST(CompareTimelines, DifferencesToTheSecond) {
    struct Row {
        std::vector<qeltz::Span> place, record;
        Verdict verdict;
        std::vector<std::pair<int64_t, int64_t>> differences;
        const char *notes;
    };
    const int64_t H = kHour;
    const std::vector<qeltz::Span> winter = {at(0, 0, "A")}, change = {at(0, 0, "A"), at(4 * H, H, "A")};
    // clang-format off
    const Row rows[] = {
        {winter, winter, Verdict::kExact, {}, ""},
        {winter, {at(0, 0, "B")}, Verdict::kOffsetsAgree, {}, "abbreviation"},
        {winter, {at(0, 0, "A", true)}, Verdict::kOffsetsAgree, {}, "daylight-flag"},
        {winter, {at(0, 0, "A"), at(3 * H, H, "A"), at(5 * H, 0, "A")}, Verdict::kDiffers, {{3 * H, 5 * H}}, ""},
        {change, {at(0, 0, "A"), at(5 * H, H, "A")}, Verdict::kDiffers, {{4 * H, 5 * H}}, ""},  // an hour late
        {change, {at(0, 0, "A"), at(3 * H, H, "A")}, Verdict::kDiffers, {{3 * H, 4 * H}}, ""},  // an hour early
        {winter, {at(0, 0, "A"), at(8 * H, H, "A")}, Verdict::kDiffers, {{8 * H, 10 * H}}, ""},  // to the end
        {change, {at(0, H, "B")}, Verdict::kDiffers, {{0, 4 * H}}, "abbreviation"},
    };
    // clang-format on
    for (const Row &row : rows) {
        const qeltz::Comparison c = qeltz::compare_timelines(row.place, row.record, 10 * H);
        std::vector<std::pair<int64_t, int64_t>> got;
        int64_t seconds = 0;
        for (const qeltz::Difference &d : c.differences) got.emplace_back(d.utc, d.until), seconds += d.until - d.utc;
        std::string notes;
        for (const qeltz::Reason &r : c.notes) notes += qeltz::kind_word(r.kind);
        EXPECT_EQ(c.verdict, row.verdict) << &row - rows;
        EXPECT_EQ(got, row.differences) << &row - rows;
        EXPECT_EQ(c.wrong_seconds, seconds) << &row - rows;
        EXPECT_EQ(notes, row.notes) << &row - rows;
    }
}

// A compiled zone by hand: its first type from 2000 on, then each change;
// the rule line after the last.
qeltz::TzifZone hand_zone(const std::vector<qeltz::Span> &changes, const char *rule_line = "") {
    qeltz::TzifZone z;
    z.version = '2';
    z.rule_line = rule_line;
    for (size_t i = 0; i < changes.size(); ++i) {
        z.times.push_back(i == 0 ? qeltz::year_start(2000) : changes[i].from);
        z.types_at.push_back(static_cast<uint8_t>(i));
        z.types.push_back({changes[i].offset, changes[i].isdst, changes[i].abbr});
    }
    return z;
}

// The fewest spans over 2030-2031, each from its start with its record, and
// the wrong time of an approximate one. Worked by hand: 2030-03-31 and
// 2030-10-27 are the last Sundays of March and October 2030; in 2031 the
// fourth Sunday of March is the 23rd, the last the 30th, so the last-Sunday
// record holds to 2031-03-23 01:00 UTC and the fourth-Sunday one from
// 2030-03-31 on. Lord Howe is UTC+10:30 from the first Sunday of April
// (2030-04-07, 2031-04-06) to the first of October (2030-10-06, 2031-10-05):
// 182 days and 30 minutes each year, where its nearest record says UTC+11
// (a rule at UTC+11 and +11:30, or +10 and +10:30, is 30 minutes off all
// year). Chatham's nearest changes at its instants, 15 minutes ahead all
// year; changing at 02:45 and 03:45 of its own clock is as long wrong, but
// also 45 minutes behind and 75 ahead for 15 minutes twice a year.
TEST(PlanSchedule, ShortestCoverByHand) {
    struct Row {
        qeltz::TzifZone zone;
        std::vector<std::pair<int64_t, const char *>> spans;  // from, the record's TZ string
        int64_t approximate;                                  // wrong seconds of the approximate span, -1: none
    };
    const int64_t C = T0 + 100 * kDay, D = T0 + 200 * kDay, H = kHour;
    const char *const eu = "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00";
    // clang-format off
    const Row rows[] = {
        {hand_zone({at(0, H, "CET"), at(C, 2 * H, "EET")}, "EET-2"), {{T0, "CET-01:00"}, {C, "EET-02:00"}}, -1},
        {hand_zone({at(0, H, "CET"), at(C, 2 * H, "EET"), at(D, H, "CET")}, "CET-1"),
         {{T0, "CET-01:00"}, {C, "EET-02:00"}, {D, "CET-01:00"}}, -1},
        {hand_zone({at(0, H, "CET")}, "CET-1CEST,M3.5.0,M10.5.0/3"), {{T0, eu}}, -1},
        {hand_zone({at(0, H, "CET"), at(T0 + 89 * kDay + H, 2 * H, "CEST", true), at(T0 + 299 * kDay + H, H, "CET")},
                   "CET-1CEST,M3.4.0,M10.5.0/3"),
         {{T0, "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.4.0/03:00:00"},  // 2030-10-27: the 4th Sunday too
          {T1 + 81 * kDay + H, "CET-01:00:00CEST-02:00:00,M3.4.0/02:00:00,M10.5.0/03:00:00"}}, -1},
        {hand_zone({at(0, 10 * H + H / 2, "+1030")}, "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0"), {{T0, "MAGT-11:00"}},
         2 * (182 * kDay + H / 2)},
        {hand_zone({at(0, 12 * H + 45 * 60, "+1245")}, "<+1245>-12:45<+1345>-13:45,M9.5.0/2:45,M4.1.0/3:45"),
         {{T0, "WST-13:00:00WDT-14:00:00,M9.5.0/03:00:00,M4.1.0/04:00:00"}}, T2 - T0},
    };
    // clang-format on
    const qeltz::Window window{T0, T2};
    for (const Row &row : rows) {
        const auto plan = qeltz::plan_schedule(row.zone, window);
        std::vector<std::pair<int64_t, std::string>> got;
        int64_t approximate = -1;
        for (const qeltz::PlannedSpan &s : plan) {
            char tz[128] = "";
            EXPECT_TRUE(s.derivation.representable && qel_tzset_to_tzstr(&s.derivation.record, tz, sizeof tz) == 0);
            EXPECT_EQ(s.span.to, &s == &plan.back() ? T2 : (&s)[1].span.from);
            got.emplace_back(s.span.from, tz);
            if (s.derivation.approximate.empty()) continue;
            approximate = qeltz::compare_timelines(qeltz::zone_local_time(row.zone, s.span),
                                                   qeltz::rule_local_time(s.derivation.rule, s.span), s.span.to)
                              .wrong_seconds;
            // A device holding the nearest, as a string or a record, is told nothing better; another is sent it.
            qeltz::Judgement j;
            j.has_record = true, j.record = s.derivation.record, j.tz = tz, j.approximate = s.derivation.approximate;
            const qeltz::Held same{tz, {}}, other{"UTC0", {}}, record{"", j.record};
            for (const auto &[held, kind] :
                 {std::pair{&same, "holds-nearest"}, {&other, "send"}, {&record, "holds-nearest"}})
                EXPECT_STREQ(qeltz::send_kind(qeltz::advice_for(true, {&j}, held), true), kind) << &row - rows;
        }
        EXPECT_EQ(got, (std::vector<std::pair<int64_t, std::string>>(row.spans.begin(), row.spans.end())))
            << &row - rows;
        EXPECT_EQ(approximate, row.approximate) << &row - rows;
    }
}

// Readers and zic that answer from a table: each library's reading of a
// string over the whole window (cut to the stretch asked for), zic's zone
// for a text; a string without a reading is refused.
class FakeConsumers : public qeltz::Consumers {
  public:
    std::map<std::pair<std::string, std::string>, std::vector<qeltz::Span>> readings;  // by library, string
    std::map<std::string, qeltz::ZicCompiled> zic;                                     // by text

    qeltz::LibraryReadings read_tz(const qeltz::CLibrary &library, const std::vector<std::string> &tz,
                                   qeltz::Window window, const qeltz::TakeReading &take) const override {
        for (size_t i = 0; i < tz.size(); ++i) {
            qeltz::TzReading r{"not-posix", {}};
            const auto known = readings.find({library.name, tz[i]});
            for (size_t k = 0; known != readings.end() && k < known->second.size(); ++k) {
                const qeltz::Span &s = known->second[k];
                if (s.from >= window.to || (k + 1 < known->second.size() && known->second[k + 1].from <= window.from))
                    continue;
                r.refused.clear();
                r.spans.push_back(s);
                r.spans.back().from = std::max(s.from, window.from);
            }
            take(i, std::move(r));
        }
        qeltz::LibraryReadings out;
        out.ok = true;
        return out;
    }
    bool compile_zic(const std::vector<std::string> &texts, std::vector<qeltz::ZicCompiled> &out) const override {
        for (const std::string &text : texts) out.push_back(zic.count(text) ? zic.at(text) : qeltz::ZicCompiled{});
        return true;
    }
};

// A TZ string verified against a place by glibc and musl and its zic text
// by zic, both faked: the place is UTC+01:00 up to C, then UTC+02:00. The
// verdict is the worst library's, wrong_from the earliest wrong instant of
// any, the wrong time the longest of one; zic's output is judged apart.
TEST(Verify, TheWorstLibraryAndZicByHand) {
    const int64_t C = T0 + 100 * kDay, H = kHour;
    const std::vector<qeltz::Span> place = {at(T0, H, "CET"), at(C, 2 * H, "EET")}, behind = {at(T0, H, "CET")},
                                   late = {at(T0, H, "CET"), at(C + kDay, 2 * H, "EET")},
                                   renamed = {at(T0, H, "XXX"), at(C, 2 * H, "EET")},
                                   drift = {at(T0, H, "CET"), at(C, 2 * H, "EET"), at(C + 100 * kDay, H, "EET")};
    using Z = qeltz::ZicCompiled;
    struct Row {
        std::vector<qeltz::Span> glibc, musl;
        Z::Fate zic;
        std::vector<qeltz::Span> zic_zone;
        Verdict tz_verdict, zic_verdict;
        int64_t wrong_from, wrong_seconds;
        std::set<std::string> kinds;
        const char *tz = "CET-01:00";
    };
    // zic reads week 5 as "on or after the 29th", a week late in some years.
    const char *const start5 = "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.2.0/03:00:00",
                      *const end5 = "CET-01:00:00CEST-02:00:00,M3.2.0/02:00:00,M10.5.0/03:00:00";
    const int64_t never = qeltz::Judgement::kNever;
    // clang-format off
    const Row rows[] = {
        {place, place, Z::kCompiled, place, Verdict::kExact, Verdict::kExact, never, 0, {}},
        {place, behind, Z::kCompiled, place, Verdict::kDiffers, Verdict::kExact, C, T2 - C,
         {"wrong-offset", "libraries-disagree"}},
        {late, behind, Z::kCompiled, place, Verdict::kDiffers, Verdict::kExact, C, T2 - C, {"wrong-offset"}},
        {late, drift, Z::kCompiled, place, Verdict::kDiffers, Verdict::kExact, C, T2 - C - 100 * kDay, {"wrong-offset"}},
        {late, place, Z::kCompiled, place, Verdict::kDiffers, Verdict::kExact, C, kDay,
         {"wrong-offset", "libraries-disagree"}},
        {renamed, place, Z::kCompiled, place, Verdict::kOffsetsAgree, Verdict::kExact, never, 0,
         {"abbreviation", "libraries-disagree"}},
        {place, {}, Z::kCompiled, place, Verdict::kDiffers, Verdict::kExact, never, 0, {"not-read", "libraries-disagree"}},
        {place, place, Z::kCompiled, behind, Verdict::kExact, Verdict::kDiffers, never, 0,
         {"zic-wrong-offset", "device-reads-otherwise"}},
        {place, place, Z::kRefused, {}, Verdict::kExact, Verdict::kUnrepresentable, never, 0, {"zic-refuses"}},
        {place, place, Z::kCompiled, behind, Verdict::kExact, Verdict::kDiffers, never, 0,
         {"zic-wrong-offset", "zic-week-5"}, start5},
        {place, place, Z::kCompiled, behind, Verdict::kExact, Verdict::kDiffers, never, 0,
         {"zic-wrong-offset", "zic-week-5"}, end5},
    };
    // clang-format on
    for (const Row &row : rows) {
        const std::string tz = row.tz;
        char zic_text[512];
        qel_tzset record{};
        ASSERT_TRUE(qel_tzstr_to_tzset(row.tz, &record) == 0 && qel_tzset_to_zicstr(&record, zic_text, 512) == 0);
        FakeConsumers fake;
        fake.readings[{"glibc", tz}] = row.glibc;
        fake.readings[{"musl", tz}] = row.musl;
        Z &compiled = fake.zic[zic_text];
        compiled.fate = row.zic;
        if (!row.zic_zone.empty()) compiled.zone = hand_zone(row.zic_zone);
        qeltz::Engine engine({T0, T2}, {{"glibc", "2.36", ""}, {"musl", "1.2.3", ""}}, &fake);
        engine.stretch_steps(2);  // sixty days a stretch: the same judgement as the whole window at once
        const size_t j = engine.tz_string(engine.place({"Test/Place", "", "2030a", hand_zone(place), true, {}}), tz);
        std::string why;
        ASSERT_TRUE(engine.run(why)) << why;
        const qeltz::Judgement &got = engine.result(j);
        std::set<std::string> kinds;
        for (const qeltz::Reason &r : got.reasons) kinds.insert(qeltz::kind_word(r.kind));
        EXPECT_EQ(got.tz_verdict, row.tz_verdict) << &row - rows;
        EXPECT_EQ(got.zic_verdict, row.zic_verdict) << &row - rows;
        EXPECT_EQ(got.wrong_from, row.wrong_from) << &row - rows;
        EXPECT_EQ(got.wrong_seconds, row.wrong_seconds) << &row - rows;
        EXPECT_EQ(kinds, row.kinds) << &row - rows;
    }
}

}  // namespace
