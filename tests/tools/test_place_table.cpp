// SPDX-License-Identifier: MIT
// The place table's source from a table worked out by hand: what it refuses
// to write, and the schedules each named for every place that holds them.
// The tables of real releases are compiled and walked in tests/c.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/place_table_source.hpp"
#include "judge/window.hpp"
#include "tools/occurrences.hpp"

namespace {

const qel_tzset kCet = {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}};
const qel_tzset kPlusOne = {10100, 0, 0, {}, {}};

qeltz::PlaceTable table(const std::vector<qeltz::TableName> &names) {
    qeltz::PlaceTable t;
    t.tzdata = "test";
    t.tool_version = "0";
    t.window = qeltz::years_window(2026, 2027);
    t.names = names;
    return t;
}

TEST(PlaceTableSource, RefusesWhatTheFormCannotHold) {
    const qeltz::Window w = qeltz::years_window(2026, 2027);
    const qeltz::TableSpan exact{w, true, kCet, false, ""}, none{w, false, {}, false, "no record"};
    const struct Row {
        std::vector<qeltz::TableName> names;
        bool written;
    } rows[] = {
        {{{"Europe/Berlin", "", {exact}}}, true},
        {{}, false},                                      // no place
        {{{"", "", {exact}}}, false},                     // an empty name
        {{{"Europe/Ber\nlin", "", {exact}}}, false},      // a control byte
        {{{"Europe/Ber lin", "", {exact}}}, true},        // a space is no control byte
        {{{std::string(255, 'a'), "", {exact}}}, true},   // the longest name held
        {{{std::string(256, 'a'), "", {exact}}}, false},  // a byte longer
        {{{"Europe/Berlin", "", {none}}}, false},         // no record anywhere
        {{{"Europe/Berlin", "", {{w, true, {10100, 1, 0, kCet.start, kCet.end}, false, ""}}}}, false},  // 0 minutes
    };
    for (const Row &row : rows) {
        std::string header, source, error;
        EXPECT_EQ(qeltz::place_table_source(table(row.names), header, source, error), row.written) << error;
        EXPECT_EQ(error.empty(), row.written) << error;
    }
}

// Two places with the same two spans share one schedule, whose lines name
// both; a place with one exact record has none.
TEST(PlaceTableSource, EachScheduleNamesThePlacesThatHoldIt) {
    const qeltz::Window w = qeltz::years_window(2026, 2027);
    const int64_t middle = qeltz::year_start(2027);
    const std::vector<qeltz::TableSpan> changing = {{{w.from, middle}, true, kCet, false, ""},
                                                    {{middle, w.to}, true, kPlusOne, false, ""}};
    const qeltz::PlaceTable t =
        table({{"A/One", "", changing}, {"B/Two", "", changing}, {"C/Three", "", {{w, true, kCet, false, ""}}}});
    std::string header, source, error;
    ASSERT_TRUE(qeltz::place_table_source(t, header, source, error)) << error;
    EXPECT_EQ(occurrences(source, " /* A/One, B/Two */\n"), 3u);  // the spans' ends, what they hold, the first span
    EXPECT_EQ(occurrences(source, "C/Three */\n"), 0u);
}

}  // namespace
