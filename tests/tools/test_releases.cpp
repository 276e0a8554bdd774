// SPDX-License-Identifier: MIT
// Releases and fleets on the hermetic fixtures of tests/releases/: two small
// releases compiled with zic into a scratch folder, a fleet file against the
// newer one. Each expected instant and number of hours is worked out by hand
// from the fixtures' rules in the table's comment.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "csv_oracle.hpp"
#include "formats/csv.hpp"
#include "judge/fleet_audit.hpp"
#include "system/process.hpp"
#include "judge/release_diff.hpp"
#include "system/zic_runner.hpp"

namespace {

using qeltz::Years;

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
        {"Test/Abolish", "record", "2027-03-28 01:00:00", 861 * 24, "Test/AbolishLink"},
        // 2028's summer time starts on April 2 (first Sunday) instead of
        // March 12 (second Sunday), 02:00 EST = 07:00 UTC: 21 days.
        {"Test/Shifted", "verdict", "2028-03-12 07:00:00", 21 * 24, "Test/ShiftedAlias"},
        // UTC+00 from 2029 Feb 4 02:00 +01 (01:00 UTC) to Mar 11 02:00 +00
        // (02:00 UTC): 35 days and an hour. 2027's stretch was already wrong.
        {"Test/Lunar", "verdict", "2029-02-04 01:00:00", 35 * 24 + 1, ""},
        {"Test/Added", "added", "", 0, ""},
        {"Test/Removed", "removed", "", 0, ""},
        {"Test/Renamed", "names", "", 0, ""},
    };
    qeltz::ReleaseDiff diff;
    std::string why;
    ASSERT_TRUE(qeltz::diff_releases(dir("old"), dir("new"), Years{2026, 2030}, diff, why)) << why;
    EXPECT_EQ(diff.old_version + " " + diff.new_version, "2026a 2026b");
    ASSERT_EQ(diff.places.size(), std::size(expected));
    for (size_t i = 0; i < diff.places.size(); ++i) {
        const qeltz::PlaceDiff &d = diff.places[i];
        const Row &e = expected[i];
        EXPECT_EQ(d.place, e.place);
        EXPECT_STREQ(qeltz::change_name(d.change), e.change) << d.place;
        EXPECT_EQ(d.goes_wrong() ? utc_text(d.wrong_from()) : "", e.wrong_from) << d.place;
        EXPECT_EQ(d.wrong_seconds, e.hours_wrong * 3600) << d.place;
        EXPECT_EQ(d.also, std::vector<std::string>(*e.also ? 1 : 0, e.also)) << d.place;
    }
    for (const char *same : {"old", "new"}) {
        ASSERT_TRUE(qeltz::diff_releases(dir(same), dir(same), Years{2026, 2030}, diff, why));
        EXPECT_TRUE(diff.places.empty()) << same;
    }
    EXPECT_FALSE(qeltz::diff_releases(dir("old"), QEL_SOURCE_DIR "/tests/releases", Years{2026, 2030}, diff, why));
    EXPECT_EQ(why, "no compiled zones in " QEL_SOURCE_DIR "/tests/releases");
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
    const qeltz::FleetAudit audit = qeltz::audit_fleet(fleet, dir("new"), Years{2027, 2030});
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
            const qeltz::SettingAudit &a = audit.settings[row.setting];
            verdict = a.invalid.empty() ? qeltz::verdict_name(a.check.tz_verdict) : a.invalid;
            wrong_from = a.has_wrong_from() ? utc_text(a.wrong_from()) : "";
            seconds = a.check.tz_comparison.wrong_seconds;
        }
        EXPECT_EQ(verdict.rfind(e.verdict_or_reason, 0), 0u) << e.line << ": " << verdict;
        EXPECT_EQ(wrong_from, e.wrong_from) << e.line;
        EXPECT_EQ(seconds, e.hours_wrong * 3600) << e.line;
    }
    EXPECT_EQ(fleet.rows[0].device, "Lobby, east");
    EXPECT_EQ(fleet.rows[5].device, "gate\r\n4");
    // What to send: the new release's record where one expresses the place;
    // none for Test/Shifted, whose 2028 follows no yearly rule.
    for (const auto &a : audit.settings) {
        const qeltz::PlaceCheck *send = audit.send(a);
        const std::string &place = audit.sends[a.place].place;
        EXPECT_EQ(send != nullptr, place != "Test/Nowhere" && place != "Test/Shifted") << place;
        EXPECT_TRUE(place != "Test/Abolish" || send->tz == "CET-01:00") << place;
    }
}

// Each compiled zone's timeline against the C library asked every two
// hours, at minutes that fall on no change.
TEST_F(Releases, TimelinesAreWhatTheCLibrarySays) {
    const Years years{2026, 2030};
    size_t checked = 0;
    for (const char *release : {"old", "new"}) {
        for (const auto &name : qeltz::list_places(dir(release))) {
            const std::string tz = ":" + dir(release) + "/" + name;
            const auto spans = qeltz::read_timeline(tz, years.from(), years.to(), {});
            const qeltz::ScopedTz zone(tz);
            size_t i = 0;
            for (int64_t t = years.from() + 17 * 60; t < years.to(); t += 7200, ++checked) {
                while (i + 1 < spans.size() && spans[i + 1].from <= t) ++i;
                const auto when = static_cast<time_t>(t);
                struct tm tm {};
                ASSERT_NE(localtime_r(&when, &tm), nullptr);
                ASSERT_TRUE(tm.tm_gmtoff == spans[i].offset && (tm.tm_isdst > 0) == spans[i].isdst &&
                            tm.tm_zone == spans[i].abbr)
                    << name << " at " << utc_text(t);
            }
        }
    }
    EXPECT_GT(checked, 300000u);
}

}  // namespace
