// SPDX-License-Identifier: MIT
// The fleet file reader: files refused whole, rows refused with their
// reason, each row's lines and device and the file's lines as the second
// reader of the tests (csv_oracle.hpp) reads them (bytes kept as they are),
// fields written back, and read errors named by their cause (a read error
// after some rows: the fuzz target). Texts reach the reader in chunks of a
// few bytes. Device names found again.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "csv_oracle.hpp"
#include "formats/csv.hpp"
#include "formats/fleet_file.hpp"
#include "judge/device_names.hpp"

namespace {

TEST(FleetFile, RefusesWholeFilesAndRowsWithTheirReasons) {
    struct Row {
        std::string text;
        const char *refusal, *reasons;  // reasons: each row's, "ok" if readable, joined by "|"
    };
    const std::string head = "device,place,tz\n", x(70000, 'x');
    const Row rows[] = {
        {"", "no header row: the file is empty", ""},
        {"\xEF\xBB\xBF\r\n\n\r", "no header row: the file is empty", ""},
        {"device,tz\n", "the header row names no place column", ""},
        {"place,tz,device,device\n", "the header row names the column device twice", ""},
        {"device,place,site\n", "the header row names neither a tz column nor the record columns", ""},
        {"device,place,zone,end\n", "the header row has record columns but no dst_on", ""},
        {"\"device,place\n", "the header row (line 1): a quoted field is not closed", ""},
        {x + "\n", "the header row (line 1): the row is longer than 64 KiB", ""},
        {"\xFF\xFE", "the fleet file is UTF-16 (little-endian); save it as UTF-8", ""},
        {std::string("d\0e\0v\0,\0", 8), "the fleet file is UTF-16 (little-endian)", ""},
        {std::string("\0d\0e\0v\0,", 8), "the fleet file is UTF-16 (big-endian)", ""},
        {std::string("\0\0\xFE\xFF\0\0\0d", 8), "the fleet file is UTF-32 (big-endian)", ""},
        {std::string("de\0v\0i\0c\0e\0", 10), "the header row names no device column", ""},  // not from its start
        {std::string(8, '\0'), "the header row names no device column", ""},
        {" Device ,PLACE,tz,\"x\ny\"\nd,P,CET-1,\"a \"\"b\"\"\"\r\nd,P,,\nd,P,\"CET\"-1,\nd,P,UTC,\n", "",
         "ok|no TZ string and no record|text after the closing quote of a field|tz UTC is not a TZ string"},
        {head + "\"gate\r\n4\",P,UTC0\n\"a \"\"b\"\"\",P,UTC0\nx\\x41\x01\xff ,P,UTC0\n", "", "ok|ok|ok"},
        // CR alone ends a line, outside quotes a record; inside them it is data.
        {"device,place,tz\rd1,P,CET-1\r\rd2,P,\"a\rb\"\r\nd3,P,\"x\"y\rd4,P,UTC0\r", "",
         "ok|tz a\rb is not a TZ string|text after the closing quote|ok"},
        {head + "d1,P,UTC0\nd2,P," + x + "\nd3,P,\"" + x + "\r\nd4,P,UTC0\n" + x, "",
         "ok|the row is longer than 64 KiB|the row is longer than 64 KiB|ok|the row is longer than 64 KiB"},
        {head + "d1,P,\"UTC0\n" + std::string(65536 - 12, 'x') + "\"\nd2,P,UTC0" + std::string(65536 - 9, '!'), "",
         "tz UTC0\nx|tz UTC0!"},
        // Rows at the bound and one byte past it, each ended where it should be.
        {head + "d1,P," + x.substr(0, 65531) + "\nd2,P," + x.substr(0, 65532) + "\nd3,P,\"" + x.substr(0, 65530) +
             "\"\n\nd4,P,\"" + x.substr(0, 65529) + "\n\nd5,P,UTC0",
         "",
         "tz x|the row is longer than 64 KiB|the row is longer than 64 KiB|the row is longer than 64 KiB; "
         "a quote opened on line 6 is not closed: lines 7-8"},
        // A quote left open takes in the rows up to the next quote.
        {head + "d1,P,UTC0\r\nd2,\"P,UTC0\r\nd3,P,UTC0\r\r\nd4,P,\"UTC0\"\r\nd5,P,UTC0\n\nd6,\"a\nb\",UTC0\nd7,P,"
                "\"x\ny\r\n",
         "",
         "ok|text after the closing quote of a field; a quote opened on line 3 closes on line 6: lines 4-6|ok|ok|"
         "a quoted field is not closed before the end of the file; a quote opened on line 11 is not closed: line 12"},
        {head + "d1,\"P\n", "", "a quoted field is not closed before the end of the file"},  // an LF ends its own line
        {"device,place,tz,zone,dst_on,dst_minutes,start,end\n"
         "a,P,,10100,0,,,\nb,P,,10100,2,,,\nc,P,,101,1,45,M3.5.0,M10.5.0\nd,P,,101,1,60,J60,M10.5.0\n"
         "e,P,,101,1,60,M3.5.0,M13.1.0\nf,P,,-0,0,,,\ng,P,,10100,1,60,M3.5.0/02:00:00,M10.5.0/03:00:00\nh,P,,,,,,\n"
         "i,P,,101,1,120,M3.5.0,M10.5.0\nj,P,,101,1,121,M3.5.0,M10.5.0\n",
         "",
         "ok|dst_on 2 is not 0 or 1|dst_minutes 45 is not 30, 60, 90 or 120|start rule J60: a record holds only|"
         "end rule M13.1.0: the rule month 13|zone -0 is not a zone code|ok|no TZ string and no record|ok|dst_minutes"},
    };
    for (const Row &r : rows) {
        qeltz::FleetReader reader;
        std::string why, wanted = r.reasons;
        const auto oracle = qeltest::oracle_csv(r.text, qeltz::kCsvMaxRecordBytes);
        const bool opened = reader.open(qeltest::chunks_of(r.text, 7), "text", why);
        EXPECT_EQ(opened ? "" : why.substr(0, std::strlen(r.refusal)), r.refusal);
        size_t i = 1;  // the header is the oracle's first record; the device is first in each table
        for (qeltz::FleetEntry row; opened && reader.next(row); ++i) {
            const std::string want = wanted.substr(0, wanted.find('|'));
            wanted.erase(0, want.size() + 1);
            EXPECT_EQ((row.invalid.empty() ? "ok" : row.invalid).rfind(want, 0), 0u) << row.invalid.substr(0, 80);
            ASSERT_TRUE(i < oracle.size() && row.line == oracle[i].line && row.device == oracle[i].fields[0]) << i;
            EXPECT_EQ(row.last_line, oracle[i].last_line) << i;
        }
        EXPECT_EQ(wanted, "") << r.text.substr(0, 80);
        EXPECT_EQ(reader.error(), "");
        // Every line is the header's, a row's or blank, as the oracle reads them.
        size_t taken = 0;
        for (const auto &o : oracle) taken += o.last_line - o.line + 1;
        EXPECT_EQ(reader.lines().blank(), opened ? qeltest::oracle_lines(r.text) - taken : 0) << r.text.substr(0, 80);
    }
}

TEST(FleetFile, FindsADeviceNameGivenBefore) {
    qeltz::DeviceNames names, compared(8);  // the second compares most names it passes
    std::set<std::string> seen;
    uint32_t x = 1;
    for (int i = 0; i < 20000; ++i) {  // names over several blocks and table sizes, each a few times
        x = x * 1103515245u + 12345u;
        const std::string name = std::to_string((x >> 8) % 7000) + std::string(x % 700, 'n');
        const bool added = seen.insert(name).second;
        ASSERT_TRUE(names.add(name) == added && compared.add(name) == added) << i;
    }
}

TEST(FleetFile, WritesAFieldByteForByte) {
    const char *const cases[][2] = {
        {"", ""}, {"a\\x41\x01\xff", "a\\x41\x01\xff"}, {" lead", "\" lead\""}, {"a,\"b\"\r", "\"a,\"\"b\"\"\r\""}};
    for (const auto &c : cases) EXPECT_EQ(qeltz::csv_field_exact(c[0]), c[1]);
}

TEST(FleetFile, NamesTheCauseOfAReadError) {
    const std::string dir = QEL_SOURCE_DIR "/tests";
    std::FILE *as_file = std::fopen(dir.c_str(), "r");
    const qeltz::CsvSource silent = [](char *, size_t) -> long {
        errno = 0;
        return -1;
    };
    qeltz::FleetReader reader;
    std::string why[4];
    // fstat's answer, fread's error, a read error without errno, a device that never ends.
    EXPECT_FALSE(reader.open(dir, why[0]) || reader.open(as_file, "D", why[1]) || reader.open(silent, "S", why[2]) ||
                 reader.open("/dev/zero", why[3]));
    std::fclose(as_file);
    EXPECT_EQ(why[0], "cannot read the fleet file " + dir + ": Is a directory");
    EXPECT_EQ(why[1], "cannot read the fleet file D: Is a directory");
    EXPECT_EQ(why[2], "cannot read the fleet file S: " + std::string(std::strerror(EIO)));
    EXPECT_EQ(why[3], "cannot read the fleet file /dev/zero: not a file, a pipe or a terminal");
}

}  // namespace
