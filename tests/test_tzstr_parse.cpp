// SPDX-License-Identifier: MIT
// The TZ string parser: worked examples and refusals, each read by the
// parser and by the plain strtok/atoi reading beside it; the two compared on
// a large corpus of texts near the accepted form; and the round trip from
// every record the TZ writer accepts.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "qel_time.h"
#include "tz_test_support.hpp"
#include "tzstr_oracle.hpp"

namespace {

using qeltest::record;
using qeltest::rule;
using qeltest::same_record;

std::string describe(const qel_tzset &r) {
    std::string s = std::to_string(r.zone) + " " + std::to_string(r.dst_on) + " " + std::to_string(r.dst_minutes);
    for (const qel_tzrule *x : {&r.start, &r.end}) {
        s += " [" + std::to_string(x->month) + "." + std::to_string(x->week) + "." + std::to_string(x->wday) + "/" +
             std::to_string(x->hour) + ":" + std::to_string(x->minute) + ":" + std::to_string(x->second) + " " +
             std::to_string(x->reserved) + "]";
    }
    return s;
}

// Parses into a record filled with a pattern; on failure the pattern must
// survive to the byte.
bool parse(const std::string &text, qel_tzset &out) {
    qel_tzset r;
    std::memset(&r, 0xa5, sizeof r);
    const qel_tzset before = r;
    const int32_t rc = qel_tzstr_to_tzset(text.c_str(), &r);
    qel_tzset oracle{};
    EXPECT_EQ(qeloracle::tzstr_to_tzset(text.c_str(), &oracle), rc) << "oracle: " << text;
    if (rc != QEL_OK) {
        EXPECT_EQ(rc, QEL_EINVAL) << text;
        EXPECT_TRUE(same_record(r, before)) << text;
        return false;
    }
    EXPECT_TRUE(same_record(r, oracle)) << "oracle: " << text;
    out = r;
    return true;
}

const qel_tzrule kNone = rule(0, 0, 0);

TEST(TzstrParse, Accepted) {
    struct Row {
        std::string text;
        qel_tzset r;
    };
    // The writer's own texts are read back by RoundTripFromTheWriter.
    const Row rows[] = {
        {"PST+08:00PDT+07:00,M3.2.0/02:00:00,M11.1.0/02:00:00",
         record(9200, 1, 60, rule(3, 2, 0, 2), rule(11, 1, 0, 2))},
        {"VET+04:30:00VDT+03:30:00", record(9570, 1, 60, kNone, kNone)},
        {"FNT+02:00:00FNDT-00:00:00", record(9800, 1, 120, kNone, kNone)},
        {"GMT-00:00:00BST-00:00:00", record(10000, 1, 0, kNone, kNone)},
        {"PST+08:00PDT-07:00", record(9200, 1, 900, kNone, kNone)},
        {"X+12:00", record(8800, 0, 0, kNone, kNone)},
        {"X-14:00", record(11400, 0, 0, kNone, kNone)},
        {"CET-01:30:45", record(10130, 0, 0, kNone, kNone)},
        {"A-01:150", record(10250, 0, 0, kNone, kNone)},
        {"A-x:y", record(10000, 0, 0, kNone, kNone)},
        {"A-\t1:\v2", record(10102, 0, 0, kNone, kNone)},
        {"CET-01:00,M3.5.0/-2147483648:0:0", record(10100, 0, 0, rule(3, 5, 0, INT32_MIN), kNone)},
        {"PST+08:00:00PDT", record(9200, 0, 0, kNone, kNone)},
        {"CET-01:00,M3.5.0,M10.5.0", record(10100, 0, 0, rule(3, 5, 0), rule(10, 5, 0))},
        {"CET-01:00:00CEST-02:00:00,M3.5.0", record(10100, 1, 60, rule(3, 5, 0), kNone)},
        {"CET-01:00:00CEST-02:00:00,M3.2.0/", record(10100, 1, 60, rule(3, 2, 0), kNone)},
        {"CET-01:00:00CEST-02:00:00,M3.2.0//02:00:00", record(10100, 1, 60, rule(3, 2, 0, 2), kNone)},
        {"CET-01:00:00CEST-02:00:00,M3.5.0/2:0:0", record(10100, 1, 60, rule(3, 5, 0, 2), kNone)},
        {"CET-01:00:00CEST-02:00:00,M3.2.0/1:2:3:4", record(10100, 1, 60, rule(3, 2, 0, 1, 2, 3), kNone)},
        {"CET-01:00:00CEST-02:00:00,,M10.5.0/03:00:00", record(10100, 1, 60, rule(10, 5, 0, 3), kNone)},
        {",,CET-01:00,,", record(10100, 0, 0, kNone, kNone)},
        {"CET-01:00,M3.5.0,M10.5.0,garbage", record(10100, 0, 0, rule(3, 5, 0), rule(10, 5, 0))},
        {"CET-01:00,M3.2.0.9", record(10100, 0, 0, rule(3, 2, 0), kNone)},
        {"CET-01:00,M.3.2.0", record(10100, 0, 0, rule(3, 2, 0), kNone)},
        {"CET-01:00,Mx.y.z/a:b:c", record(10100, 0, 0, kNone, kNone)},
        {"CET-01:00,M-1.-2.-3/-4:-5:-6", record(10100, 0, 0, rule(-1, -2, -3, -4, -5, -6), kNone)},
        {"CET-01:00,M12.5.6/24:59:59", record(10100, 0, 0, rule(12, 5, 6, 24, 59, 59), kNone)},
        {"PST-+08:00", record(10800, 0, 0, kNone, kNone)},
        {"-PST+08:00", record(10800, 0, 0, kNone, kNone)},
        {"PST+-08:00PDT+07:00", record(9200, 1, 900, kNone, kNone)},
        {"PST+08:00PDT+100:00", record(9200, 0, 0, kNone, kNone)},              // daylight code 0: none
        {std::string(122, 'A') + "-01:35", record(10103, 0, 0, kNone, kNone)},  // the 128th character unread
        {"CET-0000000000000000001:00", record(10100, 0, 0, kNone, kNone)},
    };
    for (const auto &row : rows) {
        qel_tzset got{};
        ASSERT_TRUE(parse(row.text, got)) << row.text;
        EXPECT_TRUE(same_record(got, row.r)) << row.text << "\n got " << describe(got) << "\n want " << describe(row.r);
    }
}

TEST(TzstrParse, Refused) {
    const std::string long_valid = "CET-01:00:00CEST-02:00:00,M3.5.0/02:00:00,M10.5.0/03:00:00";
    const char *const rows[] = {
        "",
        ",",
        "CET",
        "PST8PDT",  // the tz database's own forms: offsets without sign or minutes, quoted names
        "CET-1CEST,M3.5.0,M10.5.0/3",
        "UTC0",
        "<+05>-5",
        "PST+8",
        "CET-01:",
        "CET-:30",
        "+01:00",
        "X+12:01",
        "X-14:01",
        "LINT-14:00:00LINDT-15:00:00",
        "CET-01:00:00CEST-00:00:00",  // daylight behind standard time
        "CET-01:00,J60",
        "CET-01:00,m3.2.0",
        "CET-01:00, M3.2.0",
        "CET-01:00,M",
        "CET-01:00,M3.2",
        "CET-01:00,/",
        "CET-01:00,M3.5.0/02:00",
        "CET-01:00,M13.1.0",
        "CET-01:00,M12.6.0",
        "CET-01:00,M12.5.7",
        "CET-01:00,M12.5.6/25:00:00",
        "CET-01:00,M12.5.6/24:60:00",
        "CET-01:00,M12.5.6/24:00:60",
        "CET-01:00,M3.5.0,M13.1.0",
        // Too large for 32 bits, or wrapping 32-bit sums: refused, not wrapped.
        "X-42949673:00",
        "CET-01:00,M3.5.0/-2147483649:0:0",
        "X-21474837:00",
        "X-2147483648:00",
        "X+00:4294967296",
        "CET-01:00,M4294967299.1.0",
        "CET-01:00:00CEST-42949673:00",
        // A field of white space has no number; neither its blanks nor a
        // sign that follows them belong to the next field.
        "PST- +08:00",
        "CET-\n-01:00",
        "CST+06:  -00",
    };
    for (const char *text : rows) {
        qel_tzset got{};
        EXPECT_FALSE(parse(text, got)) << text << " gave " << describe(got);
    }
    // Only the first 127 characters are read.
    qel_tzset got{};
    EXPECT_FALSE(parse(std::string(130, 'A') + "-01:00", got));
    const std::string padded = std::string(127 - long_valid.size() + 3, 'A') + long_valid;  // time cut to 03:00:
    ASSERT_EQ(padded.size(), 130U);
    EXPECT_FALSE(parse(padded, got));
    EXPECT_TRUE(parse(padded.substr(3), got));

    qel_tzset out;
    std::memset(&out, 0x11, sizeof out);
    const qel_tzset before = out;
    EXPECT_EQ(qel_tzstr_to_tzset(nullptr, &out), QEL_EINVAL);
    EXPECT_EQ(qel_tzstr_to_tzset("CET-01:00", nullptr), QEL_EINVAL);
    EXPECT_TRUE(same_record(out, before));
}

// The parser against the plain reading on texts near the accepted form:
// every text the writer makes from the catalogue, and random texts of its
// pieces with white space, signs, separators, digits and bytes above 127.
TEST(TzstrParse, AgreesWithThePlainReading) {
    std::vector<std::string> corpus;
    for (int32_t code : qeltest::catalogue_codes()) {
        for (int32_t amount : {0, 30, 60, 90, 120}) {
            corpus.push_back(qeltest::tzstr(record(code, amount != 0 ? 1 : 0, amount)));
        }
    }
    const char *const pieces[] = {"PST",        "CET",        "LINDT",     "M",      "+",         "-",
                                  ":",          ",",          ".",         "/",      " ",         "\t",
                                  "\n",         "\v",         "0",         "1",      "5",         "08",
                                  "00",         "12",         "24",        "59",     "150",       "\x80",
                                  "\xff",       "-01:00",     "+08:00:00", "M3.5.0", "/02:00:00", ",M10.5.0/03:00:00",
                                  "2147483648", "-2147483648"};
    std::minstd_rand random(20261206);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same corpus every run
    const size_t from_writer = corpus.size();
    while (corpus.size() < from_writer + 100000) {
        std::string text;
        if (corpus.size() % 2 == 0) {  // a writer's text with a few pieces dropped in
            text = corpus[random() % from_writer];
            for (auto edits = 1 + random() % 3; edits > 0; --edits) {
                text.insert(random() % (text.size() + 1), pieces[random() % std::size(pieces)]);
            }
        } else {
            for (auto n = 1 + random() % 16; n > 0; --n) text += pieces[random() % std::size(pieces)];
        }
        corpus.push_back(text);
    }
    size_t accepted = 0;
    for (const std::string &text : corpus) {
        qel_tzset got{}, want{};
        const int32_t rc = qel_tzstr_to_tzset(text.c_str(), &got);
        ASSERT_EQ(rc, qeloracle::tzstr_to_tzset(text.c_str(), &want)) << text;
        ASSERT_TRUE(rc != QEL_OK || same_record(got, want)) << text << "\n got " << describe(got);
        accepted += rc == QEL_OK;
    }
    EXPECT_GT(accepted, corpus.size() / 10);  // the corpus reaches past the refusals
}

// What the writer writes reads back as the record it came from, in long form
// and with the amount it wrote; a daylight offset past UTC+14:00, which the
// writer writes, is refused. (So are rule times out of range, as Refused shows.)
TEST(TzstrParse, RoundTripFromTheWriter) {
    const std::vector<int32_t> codes = qeltest::catalogue_codes();
    ASSERT_EQ(codes.size(), 62U);
    const qel_tzrule rules[] = {
        rule(1, 1, 0),           rule(3, 5, 0, 2),         rule(10, 5, 0, 3),       rule(12, 5, 6, 23, 59, 59),
        rule(6, 3, 4, 24, 0, 0), rule(2, 4, 1, 0, 30, 15), rule(9, 2, 5, -1, 0, 0), rule(4, 1, 3, 1, 2, 3)};
    const int32_t amounts[] = {0, 30, 45, 60, 90, 120, -60, 100000};
    int checked = 0;
    for (int32_t code : codes) {
        const int32_t long_code = code < 1000 ? 10000 + (code - 100) * 100 : code;
        // Off: zone and nothing else, whatever the other fields hold.
        qel_tzset back{};
        const qel_tzset off = record(code, 0, 45, rule(99, 9, 9), rule(-3, 0, 0));
        ASSERT_TRUE(parse(qeltest::tzstr(off), back)) << code;
        EXPECT_TRUE(same_record(back, record(long_code, 0, 0, kNone, kNone))) << describe(back);

        for (int32_t amount : amounts) {
            const int32_t written = amount == 60 || amount == 90 || amount == 120 ? amount : 30;
            const bool beyond_14 = long_code + (written / 60) * 100 + written % 60 > 11400;
            for (size_t i = 0; i < std::size(rules); ++i) {
                const qel_tzrule &s = rules[i], &e = rules[(i + 3) % std::size(rules)];
                qel_tzset on = record(code, 2, amount, s, e);
                on.start.reserved = 7;
                const std::string text = qeltest::tzstr(on);
                ASSERT_EQ(parse(text, back), !beyond_14) << text;
                if (beyond_14) continue;
                ASSERT_TRUE(same_record(back, record(long_code, 1, written, s, e)))
                    << text << "\n got " << describe(back);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 3000);
}

}  // namespace
