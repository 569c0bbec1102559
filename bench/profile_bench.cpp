// SPDX-License-Identifier: Apache-2.0
// Cost of a named startTimer/stopTimer pair with start lines on (two lines
// handed to the writer per pair), on one thread and on two threads with
// names of their own, against the floor: the same pair on a caller-owned
// timer, which takes no lock and emits nothing. BM_Ratio_NamedPair reports
// the named pair's cost as a ratio to that floor, measured in turns.
// Run with OX_PROFILE_FILE=/dev/null: the lines are formatted and written,
// and the figures are the callers' cost (without a destination the lines
// are dropped before they are formatted). BM_MemoryOver10MillionPairs reports how much
// the resident set grew (the writer's thread must keep up with the callers).
// BM_TwoThreads_PairEach reports the wall time of one pair on each of two
// threads that profile at once, each under names of its own.
#include "oryxutil/profile/Profile.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

long residentKiB() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return -1;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = -1;
  std::fclose(statm);
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

void BM_Floor_CallerOwnedTimerPair(benchmark::State& state) {
  ACE_High_Res_Timer timer;
  for (auto _ : state) {
    oRYXProfile::startTimer(&timer);
    oRYXProfile::stopTimer(&timer);
    benchmark::ClobberMemory();
  }
}

void BM_NamedPair(benchmark::State& state) {
  const std::string name = "pair." + std::to_string(state.thread_index());
  for (auto _ : state) {
    oRYXProfile::startTimer(name);
    oRYXProfile::stopTimer(name);
  }
  oRYXProfile::clean(name);
}

// The floor and the named pair in turns, each batch timed on its own: the
// median of the per-turn ratios (and of the named pair's time) is steady
// even when the machine's speed drifts between separate benchmarks.
void BM_Ratio_NamedPair(benchmark::State& state) {
  const int kPairs = 20000;
  const std::string name = "pair.ratio";
  ACE_High_Res_Timer timer;
  std::vector<double> ratios;
  std::vector<double> pairNs;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPairs; ++i) {
      oRYXProfile::startTimer(&timer);
      oRYXProfile::stopTimer(&timer);
      benchmark::ClobberMemory();
    }
    const auto middle = std::chrono::steady_clock::now();
    for (int i = 0; i < kPairs; ++i) {
      oRYXProfile::startTimer(name);
      oRYXProfile::stopTimer(name);
    }
    const auto end = std::chrono::steady_clock::now();
    const double floorNs = std::chrono::duration<double, std::nano>(middle - start).count();
    const double namedNs = std::chrono::duration<double, std::nano>(end - middle).count();
    ratios.push_back(namedNs / floorNs);
    pairNs.push_back(namedNs / kPairs);
  }
  oRYXProfile::clean(name);
  std::sort(ratios.begin(), ratios.end());
  std::sort(pairNs.begin(), pairNs.end());
  state.counters["median_ratio"] = ratios[ratios.size() / 2];
  state.counters["median_pair_ns"] = pairNs[pairNs.size() / 2];
}

void BM_TwoThreads_PairEach(benchmark::State& state) {
  const int kPairs = 20000;
  std::vector<double> pairNs;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
      threads.emplace_back([t] {
        const std::string name = "pair.thread" + std::to_string(t);
        for (int i = 0; i < kPairs; ++i) {
          oRYXProfile::startTimer(name);
          oRYXProfile::stopTimer(name);
        }
        oRYXProfile::clean(name);
      });
    }
    for (std::thread& thread : threads) thread.join();
    pairNs.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
                     kPairs);
  }
  std::sort(pairNs.begin(), pairNs.end());
  state.counters["median_pair_ns_each"] = pairNs[pairNs.size() / 2];
}

void BM_MemoryOver10MillionPairs(benchmark::State& state) {
  const std::string name = "pair.memory";
  const long kPairs = 10000000;
  long before = 0, peak = 0, after = 0;
  for (auto _ : state) {
    before = residentKiB();
    peak = before;
    for (long i = 1; i <= kPairs; ++i) {
      oRYXProfile::startTimer(name);
      oRYXProfile::stopTimer(name);
      if (i % 500000 == 0) {
        const long now = residentKiB();
        if (now > peak) peak = now;
      }
    }
    after = residentKiB();
  }
  oRYXProfile::clean(name);
  state.counters["rss_before_KiB"] = static_cast<double>(before);
  state.counters["rss_peak_growth_KiB"] = static_cast<double>(peak - before);
  state.counters["rss_end_growth_KiB"] = static_cast<double>(after - before);
  state.SetItemsProcessed(kPairs);
}

}  // namespace

BENCHMARK(BM_Floor_CallerOwnedTimerPair)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_NamedPair)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_NamedPair)->Threads(2)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Ratio_NamedPair)->Iterations(21);
BENCHMARK(BM_TwoThreads_PairEach)->Iterations(21)->UseRealTime();
BENCHMARK(BM_MemoryOver10MillionPairs)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
