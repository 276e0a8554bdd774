// SPDX-License-Identifier: MIT
// Releases and fleets on the hermetic fixtures of tests/releases/: two small
// releases compiled with zic into a scratch folder, a fleet file against the
// newer one. Each expected instant and number of hours is worked out by hand
// from the fixtures' rules in the table's comment.
#include <gtest/gtest.h>

#include "formats/time_text.hpp"
#include "judge/local_time.hpp"
#include "libc_local_time.hpp"
#include "system/libraries.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "commands/report_html.hpp"
#include "csv_oracle.hpp"
#include "formats/csv.hpp"
#include "judge/engine.hpp"
#include "judge/fleet_audit.hpp"
#include "judge/release_diff.hpp"
#include "judge/schedule.hpp"
#include "judge/verdict.hpp"
#include "system/process.hpp"
#include "system/zic_runner.hpp"

namespace {

const qeltz::Window kYears = qeltz::years_window(2026, 2030);

// The fixtures' old and new releases, compiled once for the whole suite,
// slim: most zones' local time in the years comes from their rule lines.
class Releases : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        scratch_ = new qeltz::ScratchDir;
        for (const char *name : {"old", "new"}) {
            const std::string source = std::string(QEL_SOURCE_DIR "/tests/releases/") + name + ".zi";
            const std::string dir = scratch_->path() + "/" + name;
            std::string text;
            const auto r = qeltz::run_program({qeltz::find_program("zic"), "-b", "slim", "-d", dir, source});
            if (!r.ran || r.exit_status != 0 || !qeltz::read_file(source, text) ||
                !qeltz::write_file(dir + "/tzdata.zi", text))
                compiled_ = false;
        }
    }
    static void TearDownTestSuite() { delete scratch_; }
    void SetUp() override {
        if (qeltz::find_program("zic").empty() || !compiled_) GTEST_SKIP() << "zic cannot compile the fixtures";
    }
    static std::string dir(const char *name) { return scratch_->path() + "/" + name; }

    static qeltz::ScratchDir *scratch_;
    static bool compiled_;
};
qeltz::ScratchDir *Releases::scratch_ = nullptr;
bool Releases::compiled_ = true;

std::string utc_text(int64_t t) { return qeltz::date_time_text(t); }

TEST_F(Releases, DiffNamesEveryChangeAndWhenTheOldStringGoesWrong) {
    struct Row {
        const char *place, *change, *wrong_from;
        int64_t hours_wrong;
        const char *also;
    };
    // Years 2026-2030; rows in the order the diff gives them.
    const Row expected[] = {
        // MD's changes at 02:00 EET and 03:00 EEST are at 00:00 UTC, EU's
        // at 01:00 UTC: an hour early twice a year, 2026-2030.
        {"Test/Retimed", "record", "2026-03-29 00:00:00", 5 * 2, ""},
        // Summer time (01:00 UTC, last Sunday of March to last Sunday of
        // October) ends with 2026. Last Sundays: 2027 Mar 28 - Oct 31,
        // 2028 Mar 26 - Oct 29, 2029 Mar 25 - Oct 28, 2030 Mar 31 - Oct 27:
        // 3+183+31 + 5+183+29 + 6+183+28 + 0+183+27 = 861 days.
        // Test/Abandon the same: at the same instant, by name.
        {"Test/Abandon", "record", "2027-03-28 01:00:00", 861 * 24, ""},
        {"Test/Abolish", "record", "2027-03-28 01:00:00", 861 * 24, "Test/AbolishLink"},
        // 2028's summer time starts on April 2 (first Sunday) instead of
        // March 12 (second Sunday), 02:00 EST = 07:00 UTC: 21 days. No
        // record expresses the new release's 2028, so the record changes.
        {"Test/Shifted", "record", "2028-03-12 07:00:00", 21 * 24, "Test/ShiftedAlias"},
        {"Test/Added", "added", "", 0, ""},
        // Neither release has a record for its lunar changes: devices hold
        // no string of the old release to go wrong.
        {"Test/Lunar", "verdict", "", 0, ""},
        {"Test/Removed", "removed", "", 0, ""},
        {"Test/Renamed", "names", "", 0, ""},
    };
    qeltz::ReleaseDiff diff;
    std::string why;
    ASSERT_TRUE(qeltz::diff_releases(dir("old"), dir("new"), kYears, qeltz::c_libraries(), diff, why)) << why;
    EXPECT_EQ(diff.old_version + " " + diff.new_version, "2026a 2026b");
    ASSERT_EQ(diff.places.size(), std::size(expected));
    for (size_t i = 0; i < diff.places.size(); ++i) {
        const qeltz::PlaceDiff &d = diff.places[i];
        const Row &e = expected[i];
        EXPECT_EQ(d.place, e.place);
        EXPECT_STREQ(qeltz::change_name(d.change), e.change) << d.place;
        EXPECT_EQ(d.goes_wrong() ? utc_text(d.wrong_from) : "", e.wrong_from) << d.place;
        EXPECT_EQ(d.wrong_seconds, e.hours_wrong * 3600) << d.place;
        EXPECT_EQ(d.also, std::vector<std::string>(*e.also ? 1 : 0, e.also)) << d.place;
    }
    for (const char *same : {"old", "new"}) {
        ASSERT_TRUE(qeltz::diff_releases(dir(same), dir(same), kYears, qeltz::c_libraries(), diff, why));
        EXPECT_TRUE(diff.places.empty()) << same;
    }
    // A tz database by its own files and compiled zones: not the fixtures'
    // sources, nor a folder whose only zone is a link to one (/etc's localtime).
    const std::string bare = dir("bare");
    ASSERT_EQ(mkdir(bare.c_str(), 0700), 0);
    ASSERT_EQ(symlink((dir("old") + "/Test/Steady").c_str(), (bare + "/localtime").c_str()), 0);
    for (const std::string &folder : {dir("old"), std::string(QEL_SOURCE_DIR "/tests/releases"), bare})
        EXPECT_EQ(qeltz::database_problem(folder).empty(), folder == dir("old")) << folder;
}

// What is wrong now outside what was wrong before: stretches [from, until)
// cut around, split by or lying off the earlier ones.
TEST(ReleaseDiff, StretchesWrongNowMinusThoseWrongBefore) {
    using Stretches = std::vector<std::pair<int64_t, int64_t>>;
    struct Row {
        Stretches now, before, left;
    };
    const Row rows[] = {
        {{{10, 20}}, {}, {{10, 20}}},
        {{{10, 20}}, {{0, 5}, {25, 30}}, {{10, 20}}},
        {{{10, 20}}, {{0, 10}, {20, 30}}, {{10, 20}}},
        {{{10, 20}}, {{12, 15}}, {{10, 12}, {15, 20}}},
        {{{10, 20}}, {{5, 12}, {14, 16}, {18, 30}}, {{12, 14}, {16, 18}}},
        {{{10, 20}, {30, 40}}, {{15, 35}}, {{10, 15}, {35, 40}}},
        {{{10, 20}}, {{10, 20}}, {}},
    };
    for (const Row &row : rows) {
        std::vector<qeltz::Difference> now, before;
        for (const auto &[from, until] : row.now) now.push_back({from, until, {}, {}});
        for (const auto &[from, until] : row.before) before.push_back({from, until, {}, {}});
        Stretches left;
        for (const auto &d : qeltz::minus(now, before)) left.emplace_back(d.utc, d.until);
        EXPECT_EQ(left, row.left);
    }
}

// An unknown name's nearest places: by edit distance without case, of the
// whole name or its last part, at most a sixth of the name's length (at
// least 1) away, nearest first, at most three.
TEST_F(Releases, UnknownNamesGetTheNearestPlaces) {
    const std::pair<const char *, std::vector<std::string>> rows[] = {
        {"Test/Lunr", {"Test/Lunar"}},
        {"Lunr", {"Test/Lunar"}},
        {"TEST/STEADY", {"Test/Steady"}},
        {"Test/Shfited", {"Test/Shifted"}},
        {"Europe/Retimed", {"Test/Retimed", "Test/Renamed"}},
        {"Some/Where/Far/Far/Away/Renamd", {"Test/Renamed", "Test/Retimed", "Test/Lunar"}},
        {"Test/Nowhere", {}},
    };
    const qeltz::TzDatabase db = qeltz::tz_database(dir("new"));
    for (const auto &[name, nearest] : rows) EXPECT_EQ(qeltz::nearest_places(db, name), nearest) << name;
    // What is no place name at all is refused before any file is looked at.
    for (const char *bad : {"", "/etc/passwd", "../x", "Europe/./Berlin", "Europe//Berlin", "Europe/", "Eu\x01"})
        EXPECT_NE(qeltz::place_name_problem(bad), "") << bad;
    for (const char *good : {"Europe/Berlin", "A/B"}) EXPECT_EQ(qeltz::place_name_problem(good), "") << good;
}

TEST_F(Releases, AuditJudgesEachDeviceOncePerSetting) {
    struct Row {
        size_t line;
        const char *verdict_or_reason, *wrong_from;
        int64_t hours_wrong;
    };
    // Years 2027-2030 against the new release; the file has a byte order
    // mark, CRLF line ends and a device name over two lines (7-8).
    const Row expected[] = {
        {2, "differs", "2027-03-28 01:00:00", 861 * 24},  // old summer time, as in the diff
        {3, "differs", "2027-03-28 01:00:00", 861 * 24},
        {4, "exact", "", 0},
        // UTC-05:00 where the place is UTC+03:00 all the time: 1461 days.
        {5, "differs", "2027-01-01 00:00:00", (3 * 365 + 366) * 24},
        {6, "differs", "2028-03-12 07:00:00", 21 * 24},  // as in the diff
        {7, "differs", "2028-03-12 07:00:00", 21 * 24},
        {9, "exact", "", 0},
        {11, "zone 9999 is not a zone code", "", 0},
        {12, "no device name", "", 0},
        {13, "tz Europe/Berlin is not a TZ string", "", 0},
        {14, "unknown place Test/Nowhere", "", 0},
        {15, "text after the closing quote", "", 0},
        {16, "3 fields where the header row has 8", "", 0},
    };
    qeltz::Fleet fleet;
    std::string why;
    ASSERT_TRUE(qeltz::read_fleet_file(QEL_SOURCE_DIR "/tests/releases/fleet.csv", fleet, why)) << why;
    // Batches of two settings: the judgements do not depend on the batch.
    const qeltz::FleetAudit audit =
        qeltz::audit_settings(fleet.settings, dir("new"), qeltz::years_window(2027, 2030), qeltz::c_libraries(), 2);
    ASSERT_EQ(audit.failure, "");
    ASSERT_EQ(fleet.rows.size(), std::size(expected));
    EXPECT_EQ(fleet.settings.size(), 6u);  // two pairs of rows share a setting
    for (size_t i = 0; i < fleet.rows.size(); ++i) {
        const qeltz::FleetRow &row = fleet.rows[i];
        const Row &e = expected[i];
        EXPECT_EQ(row.line, e.line);
        std::string verdict = row.invalid, wrong_from;
        int64_t seconds = 0;
        if (verdict.empty()) {
            const qeltz::SettingVerdict &a = audit.settings[row.setting];
            verdict = a.judged() ? qeltz::verdict_name(a.verdict) : a.invalid;
            wrong_from = a.wrong_from != qeltz::Judgement::kNever ? utc_text(a.wrong_from) : "";
            seconds = a.wrong_seconds;
        }
        EXPECT_EQ(verdict.rfind(e.verdict_or_reason, 0), 0u) << e.line << ": " << verdict;
        EXPECT_EQ(wrong_from, e.wrong_from) << e.line;
        EXPECT_EQ(seconds, e.hours_wrong * 3600) << e.line;
    }
    EXPECT_EQ(fleet.rows[0].device, "Lobby, east");
    EXPECT_EQ(fleet.rows[5].device, "gate\r\n4");
    // What to send: the new release's record where one expresses the place
    // over the window; Test/Shifted, whose 2028 follows no yearly rule, a
    // schedule of several, each right over its own span.
    for (const auto &a : audit.settings) {
        const auto &spans = audit.places[a.place].spans;
        const std::string &place = audit.places[a.place].name;
        EXPECT_EQ(spans.size(), place == "Test/Nowhere" ? 0u : place == "Test/Shifted" ? 3u : 1u) << place;
        for (const auto &span : spans) EXPECT_TRUE(qeltz::sendable(span)) << place;
        EXPECT_TRUE(place != "Test/Abolish" || spans.at(0).tz == "CET-01:00") << place;
    }
}

// The audit page of the fixture fleet with 250 more devices of its most
// urgent setting: the wrong settings most urgent first, each with its
// devices (names capped, escaped) and its timeline's wrong stretches as the
// table above has them, the first instant, and the rows not checked.
TEST_F(Releases, AuditPageListsWhatToDoMostUrgentFirst) {
    qeltz::Fleet fleet;
    std::string why, html;
    ASSERT_TRUE(qeltz::read_fleet_file(QEL_SOURCE_DIR "/tests/releases/fleet.csv", fleet, why)) << why;
    const qeltz::FleetAudit audit =
        qeltz::audit_settings(fleet.settings, dir("new"), qeltz::years_window(2027, 2030), qeltz::c_libraries());
    std::vector<size_t> devices(fleet.settings.size());
    for (const auto &row : fleet.rows) {
        if (row.setting != qeltz::FleetRow::kInvalid) ++devices[row.setting];
    }
    const size_t renamed = fleet.rows[3].setting;  // kiosk-2, wrong from 2027-01-01
    devices[renamed] += 250;
    size_t next = 0, extra = 0;
    const std::map<std::string, std::array<size_t, 5>> per_place;
    const qeltz::AuditPage page{"fleet.csv",
                                dir("new"),
                                "glibc",
                                &audit,
                                &fleet.settings,
                                &devices,
                                {{"differs", 255}},
                                &per_place,
                                [&](size_t i) {
                                    qeltz::ScheduleSpans spans;
                                    for (const auto &j : audit.places[audit.settings[i].place].spans)
                                        spans.push_back(&j);
                                    return qeltz::advice_of(spans);
                                },
                                [&](qeltz::AuditPageRow &out) {
                                    if (next < fleet.rows.size()) {
                                        const qeltz::FleetRow &r = fleet.rows[next++];
                                        out = {r.line, r.setting, r.device, r.place, r.invalid};
                                        return true;
                                    }
                                    out = {100 + extra, renamed, "extra-" + std::to_string(extra), "Test/Renamed", ""};
                                    return extra++ < 250;
                                }};
    const std::string file = scratch_->path() + "/page.html";
    ASSERT_TRUE(qeltz::write_audit_html(file, page, why)) << why;
    ASSERT_TRUE(qeltz::read_file(file, html));
    const struct {
        const char *heading, *devices, *lane, *names, *spring;  // the reading's change each spring
    } settings[] = {
        {"1. Test/Renamed: TZ string EST5EDT,M3.2.0,M11.1.0", "251", "wrong 35064 hours in 9 stretches",
         "<li>kiosk-2 (line 5)</li><li>extra-0 (line 100)</li>", "UTC-05:00 to UTC-04:00"},
        {"2. Test/Abolish: TZ string CET-1CEST,M3.5.0,M10.5.0/3", "2", "wrong 20664 hours in 4 stretches",
         "<li>Lobby, east (line 2)</li><li>lobby-west (line 3)</li></ul>", "UTC+01:00 to UTC+02:00"},
        {"3. Test/Shifted: record zone 9500", "2", "wrong 504 hours in 1 stretch",
         "<li>gate-3 (line 6)</li><li>gate\xEF\xBF\xBD\n4 (line 7)</li></ul>", "UTC-05:00 to UTC-04:00"},
    };
    size_t at = 0;
    for (const auto &s : settings) {
        at = html.find(std::string("data-devices=\"") + s.devices + "\"><h3>" + s.heading, at);
        ASSERT_NE(at, std::string::npos) << s.heading;
        const std::string article = html.substr(at, html.find("</article>", at) - at);
        EXPECT_NE(article.find(s.lane), std::string::npos) << s.heading;
        EXPECT_NE(article.find(s.names), std::string::npos) << s.heading;
        size_t springs = 0;  // 2027-2030, as the device's setting is read
        for (size_t c = article.find(std::string("read it ") + s.spring); c != std::string::npos;
             c = article.find(std::string("read it ") + s.spring, c + 1))
            ++springs;
        EXPECT_EQ(springs, 4u) << s.heading;
    }
    const size_t first = html.find("<details>"), listed = html.find("</details>");
    size_t names = 0;
    for (size_t li = html.find("<li>", first); li < listed; li = html.find("<li>", li + 1)) ++names;
    EXPECT_EQ(names, 201u);  // 200 names, then "and 51 more"
    EXPECT_NE(html.find("<li>and 51 more;"), std::string::npos);
    EXPECT_NE(html.find("data-devices=\"251\">The first device goes wrong at <time datetime=\"2027-01-01T00:00:00Z\">"),
              std::string::npos);
    for (const char *line : {"11", "12", "13", "14", "15", "16"})
        EXPECT_NE(html.find(std::string("<li>line ") + line + ": "), std::string::npos) << line;
}

// The fewest spans of any cover of the window by the candidates (a span held
// throughout by one of them, or by none anywhere), trying every sequence of
// the instants where one starts or stops holding: a shortest path over them.
size_t fewest_spans(const std::vector<qeltz::ScheduleCandidate> &candidates, qeltz::Window w) {
    std::vector<int64_t> at{w.from, w.to};
    for (const auto &c : candidates) {
        for (const auto &h : c.holds) at.insert(at.end(), {h.from, h.to});
    }
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    const auto allowed = [&](int64_t a, int64_t b) {
        bool any = false;
        for (const auto &c : candidates) {
            for (const auto &h : c.holds) {
                if (h.from <= a && b <= h.to) return true;
                any = any || (h.from < b && a < h.to);
            }
        }
        return !any;
    };
    std::vector<size_t> fewest(at.size(), SIZE_MAX);
    fewest[0] = 0;
    for (size_t i = 0; i < at.size(); ++i) {
        for (size_t j = i + 1; j < at.size() && fewest[i] != SIZE_MAX; ++j) {
            if (allowed(at[i], at[j])) fewest[j] = std::min(fewest[j], fewest[i] + 1);
        }
    }
    return fewest.back();
}

// Each zone's schedule covers the window, each span's record gives the
// place's offsets over it by its rule (but the one approximate span's), and
// no cover by the records the place's own changes allow is shorter. The fixtures' releases, the machine's
// database and QEL_SECOND_TZDIR where set (another release), over ten years
// and over each two-year window.
TEST_F(Releases, ScheduleIsTheShortestCoverByThePlacesOwnRecords) {
    std::vector<std::string> dirs{dir("old"), dir("new"), "/usr/share/zoneinfo"};
    if (const char *second = std::getenv("QEL_SECOND_TZDIR")) dirs.emplace_back(second);
    std::vector<qeltz::Window> windows{qeltz::years_window(2027, 2036)};
    for (int y = 2027; y < 2036; y += 2) windows.push_back(qeltz::years_window(y, y + 1));
    size_t several = 0;
    for (const std::string &tzdir : dirs) {
        for (const auto &name : qeltz::list_places(tzdir)) {
            const qeltz::Place place = qeltz::load_place(qeltz::tz_database(tzdir), name);
            if (!place.ok) continue;
            for (const qeltz::Window &w : windows) {
                const auto plan = qeltz::plan_schedule(place.zone, w);
                ASSERT_FALSE(plan.empty());
                int64_t from = w.from;
                size_t approximate = 0;
                for (const auto &s : plan) {
                    ASSERT_EQ(s.span.from, from) << name;
                    from = s.span.to;
                    approximate += s.derivation.approximate.empty() ? 0u : 1u;
                    if (!s.derivation.representable || !s.derivation.approximate.empty()) continue;
                    const auto by_rule = qeltz::rule_local_time(s.derivation.rule, s.span);
                    EXPECT_TRUE(qeltz::compare_timelines(qeltz::zone_local_time(place.zone, s.span), by_rule, s.span.to)
                                    .differences.empty())
                        << name << " from " << utc_text(s.span.from);
                }
                ASSERT_EQ(from, w.to) << name;
                EXPECT_LE(approximate, 1u) << name;  // the gaps said once
                if (plan.size() == 1) continue;
                ++several;
                const size_t fewest = fewest_spans(qeltz::schedule_candidates(place.zone, w), w);
                if (approximate == 0) {
                    EXPECT_EQ(plan.size(), fewest) << tzdir << " " << name << " " << w.text();
                }
                EXPECT_LE(plan.size(), fewest) << tzdir << " " << name << " " << w.text();
            }
        }
    }
    EXPECT_GT(several, 10u);
}

// Everything a judgement says, as text.
std::string said(const qeltz::Judgement &j) {
    std::string out = j.tz + " " + qeltz::verdict_name(j.tz_verdict) + " " + qeltz::verdict_name(j.zic_verdict) + " " +
                      std::to_string(j.wrong_from) + " " + std::to_string(j.wrong_seconds) + "\n";
    for (const auto &r : j.reasons) out += std::string(qeltz::kind_word(r.kind)) + " " + r.text + "\n";
    for (const auto &[library, v] : j.rule_line_verdicts) out += library + " " + qeltz::verdict_name(v) + "\n";
    std::vector<const qeltz::Comparison *> all = {&j.zic_comparison};
    for (const auto &c : j.tz_comparisons) all.push_back(&c.comparison);
    for (const qeltz::Comparison *c : all) {
        for (const auto &d : c->differences) {
            out += utc_text(d.utc) + " to " + utc_text(d.until) + ": " + std::to_string(d.expected.offset) +
                   d.expected.abbr + " as " + std::to_string(d.got.offset) + d.got.abbr + "\n";
        }
    }
    return out;
}

// The engine reads and compares a window a stretch at a time: stretches of
// 210 days, one ending on the second EU summer time starts in 2028, judge
// every place, its schedule and given strings (wrong ones, one read hourly,
// one uClibc-ng reads as UTC) as one stretch over the whole window does.
TEST_F(Releases, StretchesJudgeAsTheWholeWindow) {
    qeltz::PosixRule eu;
    std::string why;
    ASSERT_TRUE(qeltz::parse_posix_rule("M3.5.0/1", eu, why));
    const int64_t steps = 7, change = qeltz::rule_local_seconds(eu, 2028);
    const qeltz::Window window{change - 3 * steps * qeltz::Sampling::kSparse, qeltz::year_start(2036)};
    const qeltz::TzDatabase db = qeltz::tz_database(dir("new"));
    const char *const strings[] = {"CET-1CEST,M3.5.0,M10.5.0/3", "CET-1CEST,M3.4.0,M10.5.0/3", "EST5EDT", "ABCDEFG-1",
                                   "<+03>-3"};
    qeltz::Engine whole(window, qeltz::libraries_named("linux")), stretched(window, qeltz::libraries_named("linux"));
    stretched.stretch_steps(steps);
    std::vector<size_t> asked, places;
    for (qeltz::Engine *engine : {&whole, &stretched}) {
        engine->keep_timelines();
        asked.clear();
        places.clear();
        for (const std::string &name : qeltz::list_places(db.dir)) {
            places.push_back(engine->place(db, name));
            const std::vector<size_t> schedule =
                qeltz::ask_schedule(*engine, places.back(), engine->derived(places.back()));
            asked.insert(asked.end(), schedule.begin(), schedule.end());
            for (const char *tz : strings) asked.push_back(engine->tz_string(places.back(), tz));
        }
        ASSERT_TRUE(engine->run(why)) << why;
    }
    size_t differences = 0;
    for (const size_t i : asked) {
        EXPECT_EQ(said(stretched.result(i)), said(whole.result(i)));
        differences += whole.result(i).wrong_seconds > 0;
    }
    EXPECT_GT(differences, places.size());
    for (const size_t p : places) {
        const auto &a = whole.timeline(p), &b = stretched.timeline(p);
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
            return x.from == y.from && qeltz::same_local_time(x, y);
        })) << whole.place_at(p).name;
    }
}

// Each compiled zone's local time as the tool computes it from the file
// against the C library reading the same file: at every change the tool
// finds (the second before and the second of it) and every two hours between,
// at minutes that fall on no change. The fixtures' slim zones over 2026-2030
// and the machine's database from 1960 to 2060 (its tables, then its rule
// lines).
TEST_F(Releases, ZoneLocalTimeIsWhatTheCLibrarySays) {
    struct Set {
        std::string dir;
        qeltz::Window window;
        int64_t step;
    };
    const Set sets[] = {{dir("old"), kYears, 7200},
                        {dir("new"), kYears, 7200},
                        {"/usr/share/zoneinfo", qeltz::years_window(1960, 2060), 9 * 86400}};
    size_t checked = 0;
    for (const Set &set : sets) {
        for (const auto &name : qeltz::list_places(set.dir)) {
            const qeltz::Place place = qeltz::load_place(qeltz::tz_database(set.dir), name);
            if (!place.ok) continue;
            const auto spans = qeltz::zone_local_time(place.zone, set.window);
            const std::string tz = ":" + place.path;
            setenv("TZ", tz.c_str(), 1);
            tzset();
            const auto same_at = [&](int64_t t, const qeltz::Span &s) {
                ++checked;
                return qeltz::same_local_time(qeltest::libc_at(t), s);
            };
            for (size_t i = 0; i < spans.size(); ++i) {
                ASSERT_TRUE(same_at(spans[i].from, spans[i])) << name << " at " << utc_text(spans[i].from);
                if (i > 0) {
                    ASSERT_TRUE(same_at(spans[i].from - 1, spans[i - 1]))
                        << name << " before " << utc_text(spans[i].from);
                }
            }
            size_t i = 0;
            for (int64_t t = set.window.from + 17 * 60; t < set.window.to; t += set.step) {
                while (i + 1 < spans.size() && spans[i + 1].from <= t) ++i;
                ASSERT_TRUE(same_at(t, spans[i])) << name << " at " << utc_text(t);
            }
        }
    }
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_GT(checked, 500000u);
}

}  // namespace
