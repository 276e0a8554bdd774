// SPDX-License-Identifier: MIT
// The C libraries' readers, run as the tool runs them (libraries.hpp): found
// beside the executable, one process per library for many strings, every
// string read as a POSIX string whatever TZDIR holds; glibc and musl agree on
// the database's rule lines and differ where the string leaves the choice to
// them; and each reading equals this process's own C library reading
// (libc_local_time.hpp), an oracle independent of the readers and their
// protocol.
#include <gnu/libc-version.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "formats/tzif.hpp"
#include "libc_local_time.hpp"
#include "system/database.hpp"
#include "system/libraries.hpp"
#include "system/process.hpp"
#include "system/zic_runner.hpp"
#include "tz_test_support.hpp"

namespace {

using qeltz::CLibrary;
using qeltz::ScopedEnv;
using qeltz::Span;

const qeltz::Window kYears = qeltz::years_window(2026, 2036);

// This process's C library's reading, with TZDIR at an empty directory so
// that it too reads the string as a POSIX string: every `step` seconds.
std::vector<Span> in_process(const std::string &tz, int64_t step = 86400, qeltz::Window w = kYears) {
    const qeltz::ScratchDir empty;
    return qeltest::libc_local_time(tz, w.from, w.to, step, empty.path().c_str());
}

std::string text_of(const std::vector<Span> &spans) {
    std::string out;
    for (const Span &s : spans) out += std::to_string(s.from) + " " + std::to_string(s.offset) + " " + s.abbr + "\n";
    return out;
}

bool same(const std::vector<Span> &a, const std::vector<Span> &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const Span &x, const Span &y) {
               return x.from == y.from && qeltz::same_local_time(x, y);
           });
}

// Every library this build has; the full run (QEL_REQUIRE_CONSUMERS) builds
// all four.
std::vector<CLibrary> libraries() {
    auto all = qeltz::c_libraries();
    if (std::getenv("QEL_REQUIRE_CONSUMERS") != nullptr) {
        EXPECT_EQ(all.size(), 4u);
    }
    return all;
}

// Reads with one library; the call as such must go well, and the reader
// must say it is the library the list names.
std::vector<qeltz::TzReading> read_all(const CLibrary &library, const std::vector<std::string> &tz,
                                       qeltz::Window years = kYears) {
    const auto result = qeltz::read_tz_strings(library, tz, years);
    EXPECT_TRUE(result.ok) << library.label() << ": " << result.error;
    EXPECT_EQ(result.reader_says, library.label());
    EXPECT_EQ(result.readings.size(), tz.size());
    return result.readings;
}

// A program's output comes back to the byte however little it says, with its
// exit status; one that cannot start is said so.
TEST(Libraries, ProgramsAreHeardToTheByte) {
    struct Row {
        std::vector<std::string> argv;
        bool ran;
        int status;
        const char *output;
    };
    const Row rows[] = {{{qeltz::find_program("printf"), "x"}, true, 0, "x"},
                        {{qeltz::find_program("printf"), "ab\\nc"}, true, 0, "ab\nc"},
                        {{qeltz::find_program("false")}, true, 1, ""},
                        {{"/nonexistent/program"}, false, -1, ""}};
    for (const Row &row : rows) {
        const qeltz::ProgramResult r = qeltz::run_program(row.argv);
        EXPECT_EQ(r.ran, row.ran) << row.argv[0];
        EXPECT_EQ(r.exit_status, row.status) << row.argv[0];
        EXPECT_EQ(r.output, row.output) << row.argv[0];
    }
}

TEST(Libraries, FoundBesideTheExecutable) {
    char want[PATH_MAX];
    ASSERT_NE(realpath(QELTZ_TEST_READER_DIR, want), nullptr) << QELTZ_TEST_READER_DIR;
    EXPECT_EQ(qeltz::reader_directory(), want);
    const auto all = libraries();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all[0].label(), std::string("glibc ") + gnu_get_libc_version());
    for (const CLibrary &library : all) {
        EXPECT_EQ(read_all(library, {"UTC0"}).at(0).spans.at(0).offset, 0);  // says it is library.label()
        EXPECT_EQ(library.reader, std::string(want) + "/tz-reader-" + library.name);
        EXPECT_EQ(qeltz::find_library(all, library.name), &library);
    }
    const auto missing = qeltz::read_tz_strings({"glibc", "2.36", "/nonexistent/tz-reader-glibc"}, {"JST-9"}, kYears);
    EXPECT_NE(missing.error.find("missing"), std::string::npos) << missing.error;
}

// A scratch TZDIR whose files would change the readings if a library looked
// at them: EST5EDT, CET-1CEST and Japan as Tokyo, and a posixrules with
// southern-hemisphere rules at UTC+10.
TEST(Libraries, ReadPosixStringsWhateverTzdirHolds) {
    qeltz::ZicWorkspace zic;
    ASSERT_TRUE(zic.usable()) << "zic and zdump are needed";
    const std::string zone = zic.compile(
        "Rule Hostile 2000 max - Apr Sun>=1 3:00 0 S\nRule Hostile 2000 max - Oct Sun>=1 2:00 1:00 D\n"
        "Zone posixrules 10:00 Hostile AE%sT\nZone EST5EDT 9:00 - JST\nZone CET-1CEST 9:00 - JST\n"
        "Zone Japan 9:00 - JST\n",
        nullptr, "EST5EDT");
    ASSERT_FALSE(zone.empty());
    const std::string decoy = zone.substr(0, zone.rfind('/'));
    struct Row {
        std::string tz;
        const char *refused;      // "" where it is read
        const char *glibc_reads;  // glibc's reading, as a string with rules
    };
    const std::vector<Row> rows = {
        {"EST5EDT", "", "EST5EDT,M3.2.0,M11.1.0"},
        {"CET-1CEST", "", "CET-1CEST,M3.2.0,M11.1.0"},
        {"AAA3BBB", "", "AAA3BBB,M3.2.0,M11.1.0"},
        {":EST5EDT", "file-name", ""},
        {decoy + "/EST5EDT", "file-name", ""},
        {"EST5/../EST5EDT", "file-name", ""},
        {"Japan", "not-posix", ""},
    };
    std::vector<std::string> strings;
    for (const Row &row : rows) strings.push_back(row.tz);

    // The decoy bites where no care is taken: this process's glibc reads the
    // compiled EST5EDT as Tokyo, and takes posixrules for AAA3BBB.
    {
        EXPECT_EQ(qeltest::libc_local_time("EST5EDT", kYears.from, kYears.to, 86400, decoy.c_str()).at(0).offset,
                  9 * 3600);
        EXPECT_FALSE(same(qeltest::libc_local_time("AAA3BBB", kYears.from, kYears.to, 86400, decoy.c_str()),
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
            const auto &got = with_decoy[i].spans;
            EXPECT_EQ(with_decoy[i].refused, rows[i].refused) << library.label() << ": " << rows[i].tz;
            EXPECT_TRUE(same(got, plain[i].spans)) << library.label() << ": " << rows[i].tz;
            for (const Span &span : got) EXPECT_NE(span.offset, 9 * 3600) << library.label() << ": " << rows[i].tz;
            if (library.name == "glibc" && *rows[i].glibc_reads != '\0') {
                EXPECT_TRUE(same(got, in_process(rows[i].glibc_reads))) << rows[i].tz << ":\n" << text_of(got);
            }
        }
    }
}

// Every rule line of the machine's database and every TZ string the device
// library writes, each once: each library reads it as this process does,
// except where library_misreadings says it misreads it, and there it does.
// Strings that leave a choice to the library are read differently by glibc
// and musl, as library_choices says.
TEST(Libraries, AgreeWhereTheStringDecides) {
    std::set<std::string> lines;
    for (const auto &name : qeltz::list_places("/usr/share/zoneinfo")) {
        std::string bytes, why;
        qeltz::TzifZone zone;
        if (qeltz::read_file("/usr/share/zoneinfo/" + name, bytes) && qeltz::parse_tzif(bytes, zone, why)) {
            lines.insert(zone.rule_line);
        }
    }
    lines.erase("");
    ASSERT_GE(lines.size(), 50u) << "the tz database (tzdata) is needed";
    // And what the device library writes: every zone of the catalogue without
    // daylight saving and with each amount, under northern and southern rules.
    const qel_tzrule kRules[][2] = {{{3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}},
                                    {{10, 1, 0, 2, 0, 0, 0}, {4, 1, 0, 3, 0, 0, 0}},
                                    {{9, 5, 6, 23, 59, 59, 0}, {4, 1, 5, 0, 0, 0, 0}}};
    for (const int32_t code : qeltest::catalogue_codes()) {
        for (const int32_t amount : {0, 30, 60, 90, 120}) {
            const auto &rule = kRules[static_cast<size_t>(code + amount) % std::size(kRules)];
            lines.insert(qeltest::tzstr(qeltest::record(code, amount != 0 ? 1 : 0, amount, rule[0], rule[1])));
        }
    }
    std::vector<std::string> all(lines.begin(), lines.end());
    // Last-week rules in months of 30 days.
    for (const char *extra : {"AAA3BBB,M4.5.0,M9.5.0", "AAA-3BBB,M9.5.6/1,M4.5.6/3", "AAA3BBB,M6.5.3,M11.5.1"}) {
        all.emplace_back(extra);
    }
    const size_t database = all.size();
    all.insert(all.end(), {"EST5EDT", "CET-1CEST", "<+0330>-3:30<+0430>", "ABCDEFGHI5JKLMNOPQ,M3.2.0,M11.1.0",
                           "<ABCDEFGH>-8", "A5"});

    std::vector<std::vector<Span>> want;
    want.reserve(database);
    for (size_t i = 0; i < database; ++i) {
        EXPECT_TRUE(qeltz::library_choices(all[i]).empty()) << all[i];
        want.push_back(in_process(all[i]));
    }
    std::vector<std::vector<qeltz::TzReading>> by_library;
    size_t misread = 0;
    for (const CLibrary &library : libraries()) {
        by_library.push_back(read_all(library, all));
        for (size_t i = 0; i < database && by_library.back().size() == all.size(); ++i) {
            const bool misreads = !qeltz::library_misreadings(all[i], {library}).empty();
            misread += misreads ? 1 : 0;
            EXPECT_EQ(same(by_library.back()[i].spans, want[i]), !misreads)
                << library.label() << ": " << all[i] << ":\n"
                << text_of(by_library.back()[i].spans);
        }
    }
    const auto all_libraries = libraries();
    const CLibrary *musl = qeltz::find_library(all_libraries, "musl");
    if (musl == nullptr) {
        if (std::getenv("QEL_REQUIRE_CONSUMERS") != nullptr) FAIL() << "this build has no musl reader";
        GTEST_SKIP() << "this build has no musl reader";
    }
    if (std::getenv("QEL_REQUIRE_CONSUMERS") != nullptr) {
        EXPECT_GT(misread, 40u);  // newlib's <...> names and uClibc-ng's rule times, at least
    }
    const auto &musl_read = by_library[static_cast<size_t>(musl - all_libraries.data())];
    for (size_t i = database; i < all.size(); ++i) {
        EXPECT_FALSE(qeltz::library_choices(all[i]).empty()) << all[i];
        EXPECT_FALSE(same(by_library[0][i].spans, musl_read[i].spans)) << all[i];
    }
}

// One sampling rule: read every 30 days and at the changes the tool
// expects, where it can tell them; every hour where it cannot. A state
// shorter than that is found only through the expected changes, compared
// here with this process's C library read every ten minutes (no expected
// change involved).
TEST(Libraries, SamplingFindsWhatTheStepPassesOver) {
    const qeltz::Window year = qeltz::years_window(2026, 2027);
    EXPECT_EQ(qeltz::sampling_of("EST5EDT", year).step, 3600);
    EXPECT_TRUE(qeltz::sampling_of("EST5EDT", year).hints.empty());
    for (const std::string tz : {"AAA3BBB,J80/1,J80/2:30", "AAA-3BBB,M9.5.0/1,M9.5.0/2:30",
                                 "AAA3BBB,M4.5.0/23:30,M5.1.0/0:30", "<-10>10<-09>,M3.2.0/0,M3.2.0/2"}) {
        const qeltz::Sampling sampling = qeltz::sampling_of(tz, year);
        EXPECT_EQ(sampling.step, 30 * 86400) << tz;
        const std::vector<Span> want = in_process(tz, 600, year);
        ASSERT_GE(want.size(), 3u) << tz << ":\n" << text_of(want);
        for (const CLibrary &library : libraries()) {
            if (!qeltz::library_misreadings(tz, {library}).empty()) continue;
            const auto found = qeltz::read_tz_strings(library, {tz}, year);
            ASSERT_TRUE(found.ok) << found.error;
            EXPECT_TRUE(same(found.readings[0].spans, want)) << library.label() << ": " << tz << ":\n"
                                                             << text_of(found.readings[0].spans);
        }
    }
}

// One reader process per library for all the strings, counted by the private
// TZDIRs the readers make in $TMPDIR (one each), seen through inotify; every
// reading stays with its string, refused or not; odd bytes of an abbreviation
// (musl reads them in quoted names) come back as they are.
TEST(Libraries, OneProcessPerLibrary) {
    const qeltz::ScratchDir scratch;
    const ScopedEnv tmpdir("TMPDIR", scratch.path());
    std::vector<std::string> strings;
    for (int hours = -12; hours <= 14; ++hours) strings.push_back("<XYZ>" + std::to_string(-hours));
    const std::vector<std::string> odd = {
        ":Asia/Tokyo", "", "JST-9\nKST-9", std::string("A\0B5", 4), std::string(300, 'A') + "5", "<\\x41 \x1B\xC3>-1"};
    strings.insert(strings.begin() + 3, odd.begin(), odd.end());
    const char *refused[] = {"file-name", "not-posix", "newline", "nul-byte", "too-long", ""};

    for (const CLibrary &library : libraries()) {
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(inotify_add_watch(watch, scratch.path().c_str(), IN_CREATE), 0);
        const auto readings = read_all(library, strings, qeltz::years_window(2026, 2026));
        int readers = 0;
        alignas(inotify_event) char events[8192];
        for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
            for (char *at = events; at < events + n;
                 at += sizeof(inotify_event) + reinterpret_cast<inotify_event *>(at)->len) {
                const auto *event = reinterpret_cast<const inotify_event *>(at);
                readers += event->len > 0 && std::string(event->name).rfind("qel-tz-reader-", 0) == 0;
            }
        }
        close(watch);
        // newlib reads no file at all and makes no TZDIR (it has no folders).
        EXPECT_EQ(readers, library.name == "newlib" ? 0 : 1) << library.label();
        ASSERT_EQ(readings.size(), strings.size());
        for (size_t i = 0, hours = 0; i < strings.size(); ++i) {
            if (i >= 3 && i < 3 + odd.size()) {
                EXPECT_EQ(readings[i].refused, refused[i - 3]) << library.label() << ": " << strings[i];
                continue;
            }
            ASSERT_EQ(readings[i].spans.size(), 1u) << library.label() << ": " << strings[i];
            EXPECT_EQ(readings[i].spans[0].offset, (static_cast<int>(hours++) - 12) * 3600) << strings[i];
        }
        if (library.name == "musl") {
            EXPECT_EQ(readings[8].spans.at(0).abbr, "\\x41 \x1B");  // six bytes kept
        }
    }
}

}  // namespace
