// SPDX-License-Identifier: MIT
// The timezone converters beside the peers a user could pick instead:
// Boost.DateTime's posix_time_zone, the C library's own TZ parsing, and a
// plain snprintf rendering of the same TZ text.
#include <benchmark/benchmark.h>

#include "bench_register.hpp"

#include <boost/date_time/local_time/local_time.hpp>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "qel_time.h"

namespace {

// A spread of records: long and short outputs, with and without daylight
// saving, whole-hour and odd offsets.
const std::vector<qel_tzset> &records() {
    static const std::vector<qel_tzset> r = {
        {10100, 1, 60, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}},
        {9200, 1, 60, {3, 2, 0, 2, 0, 0, 0}, {11, 1, 0, 2, 0, 0, 0}},
        {8800, 1, 90, {12, 5, 6, 23, 59, 59, 0}, {12, 5, 6, 23, 59, 59, 0}},
        {10545, 1, 30, {4, 1, 3, 1, 2, 3, 0}, {9, 2, 5, 0, 30, 15, 0}},
        {10100, 0, 0, {}, {}},
        {9570, 0, 0, {}, {}},
    };
    return r;
}

std::vector<std::string> texts() {
    std::vector<std::string> out;
    for (const auto &r : records()) {
        char buf[64];
        qel_tzset_to_tzstr(&r, buf, sizeof buf);
        out.emplace_back(buf);
    }
    return out;
}

// Calls `call` on the items in turn, one item per iteration.
template <typename Items, typename Call>
void in_turn(benchmark::State &state, const Items &items, Call call) {
    size_t i = 0;
    for (auto _ : state) {
        call(items[i]);
        benchmark::ClobberMemory();
        i = i + 1 == std::size(items) ? 0 : i + 1;
    }
}

void BM_qel_tzstr_to_tzset(benchmark::State &state) {
    qel_tzset out{};
    in_turn(state, texts(),
            [&](const std::string &t) { benchmark::DoNotOptimize(qel_tzstr_to_tzset(t.c_str(), &out)); });
}
QEL_BENCHMARK(BM_qel_tzstr_to_tzset);

void BM_boost_posix_time_zone_parse(benchmark::State &state) {
    in_turn(state, texts(), [](const std::string &t) {
        boost::local_time::posix_time_zone zone(t);
        benchmark::DoNotOptimize(zone);
    });
}
QEL_BENCHMARK(BM_boost_posix_time_zone_parse);

// Two strings in turn, so the C library cannot keep the last one parsed.
void BM_libc_setenv_tzset(benchmark::State &state) {
    const auto t = texts();
    size_t i = 0;
    for (auto _ : state) {
        setenv("TZ", t[i].c_str(), 1);
        tzset();
        i = i == 0 ? 1 : 0;
    }
    setenv("TZ", "UTC0", 1);
    tzset();
}
QEL_BENCHMARK(BM_libc_setenv_tzset);

// One of our writers over the records in turn, into a buffer of N bytes.
template <size_t N>
void bench_writer(benchmark::State &state, int32_t (*writer)(const qel_tzset *, char *, int32_t)) {
    char buf[N];
    in_turn(state, records(), [&](const qel_tzset &r) { benchmark::DoNotOptimize(writer(&r, buf, sizeof buf)); });
}

void BM_qel_tzset_to_tzstr(benchmark::State &state) { bench_writer<64>(state, qel_tzset_to_tzstr); }
QEL_BENCHMARK(BM_qel_tzset_to_tzstr);

void BM_boost_to_posix_string(benchmark::State &state) {
    std::vector<boost::local_time::posix_time_zone> zones;
    for (const auto &t : texts()) zones.emplace_back(t);
    in_turn(state, zones,
            [](const boost::local_time::posix_time_zone &z) { benchmark::DoNotOptimize(z.to_posix_string()); });
}
QEL_BENCHMARK(BM_boost_to_posix_string);

// The same text as the TZ writer's, rendered with snprintf from the same
// record fields (names and offsets resolved beforehand).
struct Resolved {
    const char *std_name, *dst_name;
    char std_sign, dst_sign;
    int std_h, std_m, dst_h, dst_m;
    bool dst;
    qel_tzrule start, end;
};

void BM_snprintf_tzstr(benchmark::State &state) {
    const Resolved rows[] = {
        {"CET", "CEST", '-', '-', 1, 0, 2, 0, true, {3, 5, 0, 2, 0, 0, 0}, {10, 5, 0, 3, 0, 0, 0}},
        {"PST", "PDT", '+', '+', 8, 0, 7, 0, true, {3, 2, 0, 2, 0, 0, 0}, {11, 1, 0, 2, 0, 0, 0}},
        {"IDLW", "IDLWDT", '+', '+', 12, 0, 10, 30, true, {12, 5, 6, 23, 59, 59, 0}, {12, 5, 6, 23, 59, 59, 0}},
        {"NPT", "NPDT", '-', '-', 5, 45, 6, 15, true, {4, 1, 3, 1, 2, 3, 0}, {9, 2, 5, 0, 30, 15, 0}},
        {"CET", "", '-', '-', 1, 0, 0, 0, false, {}, {}},
        {"VET", "", '+', '+', 4, 30, 0, 0, false, {}, {}},
    };
    char buf[64];
    in_turn(state, rows, [&](const Resolved &r) {
        if (r.dst) {
            benchmark::DoNotOptimize(std::snprintf(
                buf, sizeof buf, "%s%c%02d:%02d:00%s%c%02d:%02d:00,M%d.%d.%d/%02d:%02d:%02d,M%d.%d.%d/%02d:%02d:%02d",
                r.std_name, r.std_sign, r.std_h, r.std_m, r.dst_name, r.dst_sign, r.dst_h, r.dst_m, r.start.month,
                r.start.week, r.start.wday, r.start.hour, r.start.minute, r.start.second, r.end.month, r.end.week,
                r.end.wday, r.end.hour, r.end.minute, r.end.second));
        } else {
            benchmark::DoNotOptimize(
                std::snprintf(buf, sizeof buf, "%s%c%02d:%02d", r.std_name, r.std_sign, r.std_h, r.std_m));
        }
    });
}
QEL_BENCHMARK(BM_snprintf_tzstr);

void BM_qel_tzset_to_zicstr(benchmark::State &state) { bench_writer<256>(state, qel_tzset_to_zicstr); }
QEL_BENCHMARK(BM_qel_tzset_to_zicstr);

}  // namespace
