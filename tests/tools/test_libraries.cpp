// The C libraries' readers, run as the tool runs them (libraries.hpp): found
// beside the executable, one process per library for many strings, every
// string read as a POSIX string whatever TZDIR holds; glibc and musl agree on
// the database's rule lines and differ where the string leaves the choice to
// them; and each reading equals this process's own C library reading
// (read_timeline), an oracle independent of the readers and their protocol.
#include <gnu/libc-version.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "libraries.hpp"
#include "place_check.hpp"
#include "process.hpp"
#include "timeline.hpp"
#include "tzif.hpp"
#include "zic_runner.hpp"

namespace {

using qeltz::CLibrary;
using qeltz::Span;

const qeltz::Years kYears{2026, 2036};

// Sets an environment variable while it lives.
class ScopedEnv {
  public:
    ScopedEnv(const char *name, const std::string &value) : name_(name) {
        const char *old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) saved_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_) {
            setenv(name_, saved_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

  private:
    const char *name_;
    std::string saved_;
    bool had_ = false;
};

// This process's C library's reading, with TZDIR at an empty directory so
// that it reads the string as a POSIX string too.
std::vector<Span> in_process(const std::string &tz) {
    const qeltz::ScratchDir empty;
    const ScopedEnv tzdir("TZDIR", empty.path());
    return qeltz::read_timeline(tz, kYears.from(), kYears.to(), {});
}

std::string text_of(const std::vector<Span> &spans) {
    std::string out;
    for (const Span &s : spans) {
        out += std::to_string(s.from) + " " + std::to_string(s.offset) + (s.isdst ? " dst " : " std ") + s.abbr + "\n";
    }
    return out;
}

bool same(const std::vector<Span> &a, const std::vector<Span> &b) { return text_of(a) == text_of(b); }

std::vector<CLibrary> libraries() {
    const auto all = qeltz::c_libraries();
#ifdef QELTZ_TEST_HAVE_MUSL
    EXPECT_EQ(all.size(), 2u);
#endif
    return all;
}

// Reads with one library and checks the call as such went well.
std::vector<qeltz::TzReading> read_all(const CLibrary &library, const std::vector<std::string> &tz,
                                       qeltz::Years years = kYears) {
    const auto result = qeltz::read_tz_strings(library, tz, years);
    EXPECT_TRUE(result.ok) << library.label() << ": " << result.error;
    EXPECT_EQ(result.readings.size(), tz.size());
    return result.readings;
}

// The rule lines of the machine's compiled zones, each once.
std::vector<std::string> database_rule_lines() {
    std::set<std::string> lines;
    const std::string tzdir = "/usr/share/zoneinfo";
    for (const auto &name : qeltz::list_places(tzdir)) {
        std::string bytes, why;
        qeltz::TzifZone zone;
        if (qeltz::read_file(tzdir + "/" + name, bytes) && qeltz::parse_tzif(bytes, zone, why) && !zone.footer.empty()) {
            lines.insert(zone.footer);
        }
    }
    return {lines.begin(), lines.end()};
}

// Rule lines of real zones: hemispheres, quarter hours, rules past midnight
// and before it, negative daylight saving, no daylight time.
const std::vector<std::string> kRuleLines = {
    "CET-1CEST,M3.5.0,M10.5.0/3",  "EST5EDT,M3.2.0,M11.1.0",  "AEST-10AEDT,M10.1.0,M4.1.0/3",
    "<+1245>-12:45<+1345>,M9.5.0/2:45,M4.1.0/3:45", "<-02>2<-01>,M3.5.0/-1,M10.5.0/0",
    "IST-2IDT,M3.4.4/26,M10.5.0",  "IST-1GMT0,M10.5.0,M3.5.0/1", "<-04>4<-03>,M9.1.6/24,M4.1.6/24",
    "JST-9",                       "<+0545>-5:45",            "NZST-12NZDT,M9.5.0,M4.1.0/3",
    "<-03>3<-02>,M3.2.0,M11.1.0",  "UTC0",
};

TEST(Libraries, FoundBesideTheExecutable) {
    char want[PATH_MAX];
    ASSERT_NE(realpath(QELTZ_TEST_READER_DIR, want), nullptr) << QELTZ_TEST_READER_DIR;
    EXPECT_EQ(qeltz::reader_directory(), want);
    const auto all = libraries();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all[0].label(), std::string("glibc ") + gnu_get_libc_version());
    for (const CLibrary &library : all) {
        EXPECT_EQ(library.reader, std::string(want) + "/tz-reader-" + library.name);
        EXPECT_EQ(qeltz::find_library(all, library.name), &library);
        // The reader says it is the library the list names.
        const auto result = qeltz::read_tz_strings(library, {"JST-9"}, kYears);
        EXPECT_EQ(result.reader_says, library.label()) << result.error;
    }
    EXPECT_EQ(qeltz::find_library(all, "uclibc"), nullptr);
#ifdef QELTZ_TEST_HAVE_MUSL
    EXPECT_EQ(all[1].label(), "musl " QELTZ_TEST_MUSL_VERSION);
#endif
    // A reader that is not there is an error, not an empty reading.
    const auto missing = qeltz::read_tz_strings({"glibc", "2.36", "/nonexistent/tz-reader-glibc"}, {"JST-9"}, kYears);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("missing"), std::string::npos) << missing.error;
}

// A scratch TZDIR whose files would change every reading if a library looked
// at them: EST5EDT, CET-1CEST and Japan as Tokyo, and a posixrules with
// southern-hemisphere rules at UTC+10.
TEST(Libraries, ReadPosixStringsWhateverTzdirHolds) {
    qeltz::ZicWorkspace zic;
    ASSERT_TRUE(zic.usable()) << "zic and zdump are needed";
    const std::string zone = zic.compile(
        "Rule Hostile 2000 max - Apr Sun>=1 3:00 0 S\n"
        "Rule Hostile 2000 max - Oct Sun>=1 2:00 1:00 D\n"
        "Zone posixrules 10:00 Hostile AE%sT\n"
        "Zone EST5EDT 9:00 - JST\n"
        "Zone CET-1CEST 9:00 - JST\n"
        "Zone Japan 9:00 - JST\n",
        nullptr, "EST5EDT");
    ASSERT_FALSE(zone.empty());
    const std::string decoy = zone.substr(0, zone.rfind('/'));

    struct Row {
        std::string tz;
        const char *refused;     // "" where it is read
        const char *glibc_reads;  // glibc's reading, as a string with rules ("" for none)
    };
    const std::vector<Row> rows = {
        {"EST5EDT", "", "EST5EDT,M3.2.0,M11.1.0"},
        {"CET-1CEST", "", "CET-1CEST,M3.2.0,M11.1.0"},
        {"AAA3BBB", "", "AAA3BBB,M3.2.0,M11.1.0"},
        {"EST5EDT,M3.2.0,M11.1.0", "", "EST5EDT,M3.2.0,M11.1.0"},
        {":EST5EDT", "file-name", ""},
        {decoy + "/EST5EDT", "file-name", ""},
        {"../../../../../../../../" + decoy + "/EST5EDT", "file-name", ""},
        {"EST5/../EST5EDT", "file-name", ""},
        {"Japan", "not-posix", ""},
    };
    std::vector<std::string> strings;
    for (const Row &row : rows) strings.push_back(row.tz);

    // Without the readers' care the decoy bites: this process's glibc reads
    // the compiled EST5EDT as Tokyo, and takes posixrules for AAA3BBB.
    {
        const ScopedEnv tzdir("TZDIR", decoy);
        const auto est = qeltz::read_timeline("EST5EDT", kYears.from(), kYears.to(), {});
        ASSERT_EQ(est.size(), 1u);
        EXPECT_EQ(est[0].offset, 9 * 3600);
        EXPECT_FALSE(same(qeltz::read_timeline("AAA3BBB", kYears.from(), kYears.to(), {}),
                          in_process("AAA3BBB,M3.2.0,M11.1.0")));
    }
    for (const CLibrary &library : libraries()) {
        std::vector<qeltz::TzReading> plain, with_decoy;
        {
            const ScopedEnv tzdir("TZDIR", "/usr/share/zoneinfo");
            plain = read_all(library, strings);
        }
        {
            const ScopedEnv tzdir("TZDIR", decoy);
            with_decoy = read_all(library, strings);
        }
        ASSERT_EQ(with_decoy.size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row &row = rows[i];
            const auto &got = with_decoy[i];
            EXPECT_EQ(got.refused, row.refused) << library.label() << ": " << row.tz;
            EXPECT_TRUE(same(got.spans, plain[i].spans)) << library.label() << ": " << row.tz;
            for (const Span &span : got.spans) EXPECT_NE(span.offset, 9 * 3600) << library.label() << ": " << row.tz;
            if (library.name == "glibc" && *row.glibc_reads != '\0') {
                EXPECT_TRUE(same(got.spans, in_process(row.glibc_reads)))
                    << row.tz << ":\n" << text_of(got.spans) << "want\n" << text_of(in_process(row.glibc_reads));
            }
        }
    }
}

// Each library's reading of ordinary strings is this process's reading; the
// two libraries agree on every rule line of the database and on the sample,
// and differ where the string leaves the choice to them, as library_choices
// says.
TEST(Libraries, AgreeWhereTheStringDecides) {
    std::vector<std::string> ordinary = kRuleLines;
    const auto database = database_rule_lines();
    ordinary.insert(ordinary.end(), database.begin(), database.end());
    struct Row {
        std::string tz;
        bool agree;
    };
    const std::vector<Row> choices = {
        {"EST5EDT", false},
        {"CET-1CEST", false},
        {"<+0330>-3:30<+0430>", false},
        {"ABCDEFGHI5JKLMNOPQ,M3.2.0,M11.1.0", false},
        {"<ABCDEFGH>-8", false},
        {"A5", false},  // glibc: UTC without a name; musl: UTC-5 named A
    };
    std::vector<std::string> all = ordinary;
    for (const Row &row : choices) all.push_back(row.tz);

    std::vector<std::vector<qeltz::TzReading>> by_library;
    for (const CLibrary &library : libraries()) {
        by_library.push_back(read_all(library, all));
        const auto &readings = by_library.back();
        if (readings.size() != all.size()) continue;
        for (size_t i = 0; i < ordinary.size(); ++i) {
            EXPECT_EQ(readings[i].refused, "") << library.label() << ": " << ordinary[i];
            if (!qeltz::library_choices(ordinary[i]).empty()) continue;
            const auto want = in_process(ordinary[i]);
            EXPECT_TRUE(same(readings[i].spans, want))
                << library.label() << ": " << ordinary[i] << ":\n" << text_of(readings[i].spans) << "want\n"
                << text_of(want);
        }
    }
    if (by_library.size() < 2) {
        if (std::getenv("QEL_REQUIRE_CONSUMERS") != nullptr) FAIL() << "this build has no musl reader";
        GTEST_SKIP() << "this build has no musl reader";
    }
    size_t compared = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        const bool agree = same(by_library[0][i].spans, by_library[1][i].spans);
        const bool decides = qeltz::library_choices(all[i]).empty();
        if (i < ordinary.size()) {
            if (decides) {
                EXPECT_TRUE(agree) << all[i] << ":\nglibc\n"
                                   << text_of(by_library[0][i].spans) << "musl\n" << text_of(by_library[1][i].spans);
                ++compared;
            }
        } else {
            EXPECT_FALSE(decides) << all[i];
            EXPECT_EQ(agree, choices[i - ordinary.size()].agree) << all[i];
        }
    }
    EXPECT_GE(compared, kRuleLines.size());
}

// One reader process per library for all the strings, counted by the private
// TZDIRs the readers make in $TMPDIR (one each), seen through inotify; and
// every string's reading stays with its string, refused or not.
TEST(Libraries, OneProcessPerLibrary) {
    const qeltz::ScratchDir scratch;
    ASSERT_TRUE(scratch.ok());
    const ScopedEnv tmpdir("TMPDIR", scratch.path());
    std::vector<std::string> strings;
    for (int hours = -12; hours <= 14; ++hours) strings.push_back("<XYZ>" + std::to_string(-hours));
    const std::vector<std::string> odd = {":Asia/Tokyo", "", "JST-9\nKST-9", std::string("A\0B5", 4),
                                          std::string(300, 'A') + "5"};
    strings.insert(strings.begin() + 3, odd.begin(), odd.end());
    const char *refused[] = {"file-name", "not-posix", "newline", "nul-byte", "too-long"};

    for (const CLibrary &library : libraries()) {
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, scratch.path().c_str(), IN_CREATE), 0);
        const auto readings = read_all(library, strings, {2026, 2026});
        int readers = 0;
        alignas(inotify_event) char events[8192];
        for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
            for (char *at = events; at < events + n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                if ((event->mask & IN_ISDIR) != 0 && event->len > 0 &&
                    std::string(event->name).rfind("qel-tz-reader-", 0) == 0) {
                    ++readers;
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        close(watch);
        EXPECT_EQ(readers, 1) << library.label();
        ASSERT_EQ(readings.size(), strings.size());
        for (size_t i = 0, hours = 0; i < strings.size(); ++i) {
            if (i >= 3 && i < 3 + odd.size()) {
                EXPECT_EQ(readings[i].refused, refused[i - 3]) << library.label() << ": " << strings[i];
                EXPECT_TRUE(readings[i].spans.empty());
                continue;
            }
            ASSERT_EQ(readings[i].spans.size(), 1u) << library.label() << ": " << strings[i];
            EXPECT_EQ(readings[i].spans[0].offset, (static_cast<int>(hours++) - 12) * 3600) << strings[i];
        }
    }
}

#ifdef QELTZ_TEST_HAVE_MUSL
// What only musl reads: odd bytes in a quoted name come back as they are.
TEST(Libraries, MuslAbbreviationsKeepTheirBytes) {
    const auto all = libraries();
    const CLibrary *musl = qeltz::find_library(all, "musl");
    ASSERT_NE(musl, nullptr);
    const auto readings = read_all(*musl, {"<A\\ \x1B\xC3\xA9>-1", "<ABCDEFGHIJ>-2"});
    ASSERT_EQ(readings.size(), 2u);
    ASSERT_EQ(readings[0].spans.size(), 1u);
    EXPECT_EQ(readings[0].spans[0].abbr, "A\\ \x1B\xC3\xA9");
    EXPECT_EQ(readings[0].spans[0].offset, 3600);
    ASSERT_EQ(readings[1].spans.size(), 1u);
    EXPECT_EQ(readings[1].spans[0].abbr, "ABCDEF");
}
#endif

}  // namespace
