// SPDX-License-Identifier: MIT
// The fleet file reader: files refused whole, rows refused with their
// reason, the comma-separated records of each text as the second reader of
// the tests (csv_oracle.hpp) reads them, fields kept byte for byte, and read
// errors named by their cause. Texts reach the reader in chunks of 1 to 7
// bytes, so that quotes, CRLFs and records straddle its reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "csv_oracle.hpp"
#include "formats/csv.hpp"
#include "formats/fleet_file.hpp"

namespace {

qeltz::CsvSource chunked(const std::string &text) {
    return [&text, at = size_t{0}, n = size_t{0}](char *buffer, size_t size) mutable -> long {
        n = n % 7 + 1;
        const size_t k = std::min({size, n, text.size() - at});
        std::memcpy(buffer, text.data() + at, k);
        at += k;
        return static_cast<long>(k);
    };
}

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
        {"\xFE\xFF", "the fleet file is UTF-16 (big-endian)", ""},
        {std::string("\xFF\xFE\0\0d\0\0\0", 8), "the fleet file is UTF-32 (little-endian)", ""},
        {std::string("\0\0\xFE\xFF\0\0\0d", 8), "the fleet file is UTF-32 (big-endian)", ""},
        {" Device ,PLACE,tz,x\nd,P,CET-1,\"a \"\"b\"\"\"\r\nd,P,,\nd,P,\"CET\"-1,\nd,P,UTC,\n", "",
         "ok|no TZ string and no record|text after the closing quote of a field|tz UTC is not a TZ string"},
        // CR alone ends a line, outside quotes a record; inside them it is data.
        {"device,place,tz\rd1,P,CET-1\r\rd2,P,\"a\rb\"\r\nd3,P,\"x\"y\rd4,P,UTC0\r", "",
         "ok|tz a\rb is not a TZ string|text after the closing quote|ok"},
        {head + "d1,P,UTC0\nd2,P," + x + "\nd3,P,\"" + x + "\r\nd4,P,UTC0\n" + x, "",
         "ok|the row is longer than 64 KiB|the row is longer than 64 KiB|ok|the row is longer than 64 KiB"},
        {head + "d1,P,\"UTC0\n" + std::string(65536 - 12, 'x') + "\"\nd2,P,UTC0" + std::string(65536 - 9, '!'), "",
         "tz UTC0\nx|tz UTC0!"},
        {"device,place,tz,zone,dst_on,dst_minutes,start,end\n"
         "a,P,,10100,0,,,\nb,P,,10100,2,,,\nc,P,,101,1,45,M3.5.0,M10.5.0\nd,P,,101,1,60,J60,M10.5.0\n"
         "e,P,,101,1,60,M3.5.0,M13.1.0\nf,P,,-0,0,,,\ng,P,,10100,1,60,M3.5.0/02:00:00,M10.5.0/03:00:00\nh,P,,,,,,\n",
         "",
         "ok|dst_on 2 is not 0 or 1|dst_minutes 45 is not 30, 60, 90 or 120|start rule J60: a record holds only|"
         "end rule M13.1.0: the rule month 13|zone -0 is not a zone code|ok|no TZ string and no record"},
    };
    for (const Row &r : rows) {
        qeltz::FleetReader reader;
        std::vector<qeltz::FleetEntry> entries;
        std::string why, wanted = r.reasons;
        const bool opened = reader.open(chunked(r.text), "text", why);
        for (qeltz::FleetEntry e; opened && reader.next(e);) entries.push_back(e);
        EXPECT_EQ(opened ? "" : why.substr(0, std::strlen(r.refusal)), r.refusal);
        EXPECT_EQ(reader.error(), "");
        for (const auto &row : entries) {
            const std::string want = wanted.substr(0, wanted.find('|'));
            wanted.erase(0, want.size() + 1);
            EXPECT_EQ((row.invalid.empty() ? "ok" : row.invalid).rfind(want, 0), 0u) << row.invalid.substr(0, 80);
        }
        EXPECT_EQ(wanted, "") << r.text.substr(0, 80);

        qeltz::CsvReader csv(chunked(r.text));
        std::vector<qeltz::CsvRecord> records;
        for (qeltz::CsvRecord c; csv.next(c);) records.push_back(c);
        const auto oracle = qeltest::oracle_csv(r.text, qeltz::kCsvMaxRecordBytes);
        EXPECT_EQ(csv.foreign_encoding() ? csv.foreign_encoding() : "", qeltest::oracle_encoding(r.text));
        ASSERT_EQ(records.size(), oracle.size()) << r.text.substr(0, 80);
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].line, oracle[i].line) << r.text.substr(0, 80);
            EXPECT_EQ(records[i].error.empty(), !oracle[i].broken && !oracle[i].too_long) << r.text.substr(0, 80);
            EXPECT_TRUE(!records[i].error.empty() || records[i].fields == oracle[i].fields) << r.text.substr(0, 80);
            if (opened && i > 0 && i <= entries.size()) {
                EXPECT_EQ(entries[i - 1].line, oracle[i].line);
            }
        }
    }
}

// Fields written by csv_field_exact read back as the same bytes.
TEST(FleetFile, KeepsTheBytesOfEveryField) {
    const std::string devices[] = {"gate\r\n4", "cr\ronly", "a \"b\"", " lead", "trail\t", "x,y", "\x01\xff\\x41"};
    std::string text = "device,place,tz\r\n";
    for (const std::string &d : devices)
        text += qeltz::csv_field_exact(d) + "," + qeltz::csv_field_exact(d) + ",UTC0\n";
    qeltz::Fleet fleet;
    std::string why;
    ASSERT_TRUE(qeltz::read_fleet(text, fleet, why)) << why;
    ASSERT_EQ(fleet.rows.size(), std::size(devices));
    for (size_t i = 0; i < fleet.rows.size(); ++i) {
        EXPECT_EQ(fleet.rows[i].device, devices[i]);
        EXPECT_EQ(fleet.settings[fleet.rows[i].setting].place, devices[i]);
    }
    EXPECT_EQ(qeltz::csv_field_exact(" lead"), "\" lead\"");
    EXPECT_EQ(qeltz::csv_field_exact("\x01\xff\\x41"), "\x01\xff\\x41");
}

TEST(FleetFile, NamesTheCauseOfAReadError) {
    const std::string dir = QEL_SOURCE_DIR "/tests", text = "device,place,tz\nd,P,UTC0\n";
    std::FILE *as_file = std::fopen(dir.c_str(), "r");
    ASSERT_NE(as_file, nullptr);
    qeltz::FleetReader by_path, missing, by_file, failing;
    std::string why[3];
    EXPECT_FALSE(by_path.open(dir, why[0]));
    EXPECT_FALSE(missing.open(dir + "/none.csv", why[1]));
    EXPECT_FALSE(by_file.open(as_file, "D", why[2]));
    std::fclose(as_file);
    EXPECT_EQ(why[0], "cannot read the fleet file " + dir + ": Is a directory");
    EXPECT_EQ(why[1], "cannot read the fleet file " + dir + "/none.csv: No such file or directory");
    EXPECT_EQ(why[2], "cannot read the fleet file D: Is a directory");
    // The rows before an error come; then the reading ends with its cause.
    auto source = [&text, calls = 0](char *buffer, size_t) mutable -> long {
        errno = EIO;
        return calls++ == 0 ? static_cast<long>(text.copy(buffer, text.size())) : -1;
    };
    qeltz::FleetEntry row;
    ASSERT_TRUE(failing.open(source, "F", why[0]));
    EXPECT_TRUE(failing.next(row) && row.invalid.empty());
    EXPECT_FALSE(failing.next(row));
    EXPECT_EQ(failing.error(), "cannot read the fleet file F: Input/output error");
}

}  // namespace
