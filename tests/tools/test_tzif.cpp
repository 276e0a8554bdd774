// SPDX-License-Identifier: MIT
// The compiled zone reader, on every compiled zone of the machine's tz
// database: it reads each, its footer is the file's last line, and each
// transition's local time type is what the C library gives from that instant.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "formats/tzif.hpp"
#include "judge/window.hpp"
#include "system/database.hpp"
#include "system/process.hpp"
#include "system/zic_runner.hpp"

namespace {

TEST(Tzif, ReadsEveryZoneOfTheDatabaseAsTheCLibraryDoes) {
    const std::string tzdir = "/usr/share/zoneinfo";
    const auto places = qeltz::list_places(tzdir);
    if (places.empty()) GTEST_SKIP() << "no tz database in " << tzdir;
    size_t checked = 0;
    for (const auto &name : places) {
        std::string bytes, why;
        ASSERT_TRUE(qeltz::read_file(tzdir + "/" + name, bytes)) << name;
        qeltz::TzifZone zone;
        ASSERT_TRUE(qeltz::parse_tzif(bytes, zone, why)) << name << ": " << why;
        const size_t last_line = bytes.rfind('\n', bytes.size() - 2);
        EXPECT_EQ(zone.rule_line, bytes.substr(last_line + 1, bytes.size() - last_line - 2)) << name;
        // From each transition of 1970 to 2037 on, the C library shows its type.
        const qeltz::ScopedTz in_zone(":" + tzdir + "/" + name);
        for (size_t i = 0; i < zone.times.size(); ++i) {
            if (zone.times[i] < 0 || zone.times[i] >= qeltz::year_start(2037)) continue;
            const auto t = static_cast<time_t>(zone.times[i]);
            struct tm tm {};
            ASSERT_NE(localtime_r(&t, &tm), nullptr);
            const qeltz::TzifType &type = zone.types[zone.types_at[i]];
            EXPECT_EQ(tm.tm_gmtoff, type.utoff) << name << " at " << t;
            EXPECT_EQ(std::string(tm.tm_zone), type.abbr) << name << " at " << t;
            EXPECT_EQ(tm.tm_isdst > 0, type.isdst) << name << " at " << t;
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000u);
}

TEST(Tzif, RefusesWhatIsNotAWellFormedZone) {
    std::string bytes, why;
    if (!qeltz::read_file("/usr/share/zoneinfo/Europe/Berlin", bytes)) GTEST_SKIP() << "no Europe/Berlin";
    qeltz::TzifZone zone;
    // Every cut of a real file is refused as cut (only nothing at all has no
    // header), and so is a wrong magic or version.
    for (size_t n = 0; n + 1 < bytes.size(); n += n < 8 ? 1 : 7) {
        EXPECT_FALSE(qeltz::parse_tzif(bytes.substr(0, n), zone, why)) << n;
        const bool named = n == 0
                               ? why.find("no TZif header") != std::string::npos
                               : why.find("cut short") != std::string::npos || why.find("footer") != std::string::npos;
        EXPECT_TRUE(named) << n << ": " << why;
    }
    std::string wrong = bytes;
    wrong[4] = '9';
    EXPECT_FALSE(qeltz::parse_tzif(wrong, zone, why));
    EXPECT_EQ(why, "unknown TZif version");

    // The file's first block alone is a version 1 file, read whole; a local
    // time type out of range in it is refused, whichever of its fields is.
    const auto count = [&](size_t at) {
        return static_cast<size_t>(
            static_cast<unsigned char>(bytes[at]) << 24 | static_cast<unsigned char>(bytes[at + 1]) << 16 |
            static_cast<unsigned char>(bytes[at + 2]) << 8 | static_cast<unsigned char>(bytes[at + 3]));
    };
    const size_t isut = count(20), isstd = count(24), leap = count(28), times = count(32), types = count(36),
                 chars = count(40), first_type = 44 + times * 5;
    std::string v1 = bytes.substr(0, first_type + types * 6 + chars + leap * 8 + isstd + isut);
    v1[4] = '\0';
    ASSERT_TRUE(qeltz::parse_tzif(v1, zone, why)) << why;
    const struct Row {
        size_t at;  // in the last type: its offset (4 bytes), isdst, name index
        unsigned char byte;
    } rows[] = {{4, 2}, {5, static_cast<unsigned char>(chars)}, {0, 0x80}};
    for (const Row &row : rows) {
        std::string bad = v1;
        const size_t at = first_type + (types - 1) * 6 + row.at;
        bad[at] = static_cast<char>(row.byte);
        if (row.at == 0) bad.replace(at + 1, 3, 3, '\0');  // INT32_MIN
        EXPECT_FALSE(qeltz::parse_tzif(bad, zone, why)) << row.at;
    }
}

}  // namespace
