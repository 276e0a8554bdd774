// SPDX-License-Identifier: MIT
// Every benchmark is registered with a "min" statistic beside Google
// Benchmark's mean and median: on a shared machine the fastest of many
// interleaved repetitions is the steadiest estimate of a call's own cost.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

inline double qel_bench_min(const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); }

#define QEL_BENCHMARK(fn) BENCHMARK(fn)->ComputeStatistics("min", qel_bench_min)
