// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_BENCH_PAIREDRATIO_H
#define ORYXUTIL_BENCH_PAIREDRATIO_H

// Times two ways of writing the same output in turns, one pair per
// benchmark iteration (the order swapped every other pair), and reports the
// median of second / first over the pairs, in wall time (median_ratio) and
// in the thread's CPU time, system calls included (median_cpu_ratio). On a
// shared machine whose speed drifts from one benchmark to the next, the
// ratio of neighbours stays steady; when other processes take the cores,
// the CPU-time ratio is the one to read.

#include "oryxutil/export/WriterOptions.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace oryxbench {

inline double threadCpuMs() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <typename First, typename Second>
void runPairs(benchmark::State& state, const std::string& firstName, First first,
              const std::string& secondName, Second second) {
  using Clock = std::chrono::steady_clock;
  auto millis = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  std::vector<double> ratios, cpuRatios;
  double firstMs = 0, secondMs = 0;
  for (auto _ : state) {
    const bool swapped = ratios.size() % 2 == 1;
    const auto t0 = Clock::now();
    const double c0 = threadCpuMs();
    if (swapped) second(); else first();
    const auto t1 = Clock::now();
    const double c1 = threadCpuMs();
    if (swapped) first(); else second();
    const auto t2 = Clock::now();
    const double c2 = threadCpuMs();
    const double a = millis(swapped ? t2 - t1 : t1 - t0), b = millis(swapped ? t1 - t0 : t2 - t1);
    const double cpuA = swapped ? c2 - c1 : c1 - c0, cpuB = swapped ? c1 - c0 : c2 - c1;
    firstMs += a;
    secondMs += b;
    ratios.push_back(b / a);
    cpuRatios.push_back(cpuB / cpuA);
  }
  const double pairs = static_cast<double>(ratios.size());
  state.counters[firstName + "_ms"] = firstMs / pairs;
  state.counters[secondName + "_ms"] = secondMs / pairs;
  state.counters["median_ratio"] = median(ratios);
  state.counters["median_cpu_ratio"] = median(cpuRatios);
}

// Every writer option on.
inline oryx::WriterOptions allOptions() {
  oryx::WriterOptions options;
  options.escapeMarkup = options.declareCharset = options.xmlSafeText = true;
  options.quoteTitles = options.utf8Bom = options.formulaGuard = options.numericCells = true;
  return options;
}

}  // namespace oryxbench

#endif
