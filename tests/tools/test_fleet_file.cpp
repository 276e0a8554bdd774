// SPDX-License-Identifier: MIT
// The fleet file reader: files refused whole, rows refused with their
// reason, and the comma-separated records of each text as the second reader
// of the tests (csv_oracle.hpp) reads them.
#include <gtest/gtest.h>

#include <string>

#include "csv_oracle.hpp"
#include "formats/csv.hpp"
#include "formats/fleet_file.hpp"

namespace {

TEST(FleetFile, RefusesWholeFilesAndRowsWithTheirReasons) {
    struct Row {
        const char *text, *refusal, *reasons;  // reasons: each row's, "ok" if readable, joined by "|"
    };
    const Row rows[] = {
        {"", "no header row: the file is empty", ""},
        {"\xEF\xBB\xBF\r\n\n", "no header row: the file is empty", ""},
        {"device,tz\n", "the header row names no place column", ""},
        {"place,tz,device,device\n", "the header row names the column device twice", ""},
        {"device,place,site\n", "the header row names neither a tz column nor the record columns", ""},
        {"device,place,zone,end\n", "the header row has record columns but no dst_on", ""},
        {"\"device,place\n", "the header row (line 1): a quoted field is not closed", ""},
        {" Device ,PLACE,tz,x\nd,P,CET-1,\"a \"\"b\"\"\"\r\nd,P,,\nd,P,\"CET\"-1,\nd,P,UTC,\n", "",
         "ok|no TZ string, and the file has no record columns|text after the closing quote of a field|"
         "tz UTC is not a TZ string"},
        {"device,place,tz,zone,dst_on,dst_minutes,start,end\n"
         "a,P,,10100,0,,,\nb,P,,10100,2,,,\nc,P,,101,1,45,M3.5.0,M10.5.0\nd,P,,101,1,60,J60,M10.5.0\n"
         "e,P,,101,1,60,M3.5.0,M13.1.0\nf,P,,-0,0,,,\ng,P,,10100,1,60,M3.5.0/02:00:00,M10.5.0/03:00:00\n",
         "",
         "ok|dst_on 2 is not 0 or 1|dst_minutes 45 is not 30, 60, 90 or 120|start rule J60: a record holds only|"
         "end rule M13.1.0: the rule month 13|zone -0 is not a zone code|ok"},
    };
    for (const Row &r : rows) {
        qeltz::Fleet fleet;
        std::string why, wanted = r.reasons;
        EXPECT_EQ(qeltz::read_fleet(r.text, fleet, why) ? "" : why.substr(0, std::string(r.refusal).size()), r.refusal);
        for (const auto &row : fleet.rows) {
            const std::string want = wanted.substr(0, wanted.find('|'));
            wanted.erase(0, want.size() + 1);
            EXPECT_EQ((row.invalid.empty() ? "ok" : row.invalid).rfind(want, 0), 0u) << row.invalid;
        }
        EXPECT_EQ(wanted, "") << r.text;
        const auto records = qeltz::read_csv(r.text);
        const auto oracle = qeltest::oracle_csv(r.text);
        ASSERT_EQ(records.size(), oracle.size()) << r.text;
        for (size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].line, oracle[i].line) << r.text;
            EXPECT_EQ(records[i].error.empty(), !oracle[i].broken) << r.text;
            EXPECT_TRUE(oracle[i].broken || records[i].fields == oracle[i].fields) << r.text;
        }
    }
}

}  // namespace
