// SPDX-License-Identifier: MIT
// The place table (qel-tz table) of this machine's tz database, as firmware
// uses it: a name found, one not in the table, the record in force at a time.
#include <benchmark/benchmark.h>

#include "bench_register.hpp"

#include <string>
#include <vector>

extern "C" {
#include "qel_places.h"
}

namespace {

// Every name of the table, and each with a byte changed (none of them is in it).
std::vector<std::string> names(bool changed) {
    std::vector<std::string> out;
    for (size_t i = 0; i < qel_place_count(); ++i) {
        char name[QEL_PLACE_NAME_SIZE];
        (void)qel_place_name(qel_place_at(i), name, sizeof name);
        out.emplace_back(name);
        if (changed) out.back().back() = '#';
    }
    return out;
}

void run_find(benchmark::State &state, bool changed) {
    const std::vector<std::string> all = names(changed);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qel_place_find(all[i].c_str()));
        i = i + 1 == all.size() ? 0 : i + 1;
    }
}

void BM_place_find(benchmark::State &state) { run_find(state, false); }
void BM_place_find_missing(benchmark::State &state) { run_find(state, true); }

void BM_place_record(benchmark::State &state) {
    const qel_place *jerusalem = qel_place_find("Asia/Jerusalem");
    int64_t t = QEL_PLACES_FROM;
    qel_tzset out;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qel_place_record(jerusalem, t, &out));
        t = t + 86400 * 31 < QEL_PLACES_UNTIL ? t + 86400 * 31 : QEL_PLACES_FROM;
    }
}

}  // namespace

QEL_BENCHMARK(BM_place_find);
QEL_BENCHMARK(BM_place_find_missing);
QEL_BENCHMARK(BM_place_record);
