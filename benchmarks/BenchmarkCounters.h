// Counters that benchmarks report next to their times.
#pragma once

#include <benchmark/benchmark.h>

// A count made over the whole timed loop, shown per iteration.
inline benchmark::Counter perIteration(double count) {
    return benchmark::Counter(count, benchmark::Counter::kAvgIterations);
}
