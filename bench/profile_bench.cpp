// Cost of a named startTimer/stopTimer pair with start lines on (two lines
// handed to the writer per pair), on one thread and on two threads with
// names of their own, against the floor: the same pair on a caller-owned
// timer, which takes no lock and emits nothing.
// Run without OX_PROFILE_FILE: the writer's thread drops the lines, so the
// figures are the callers' cost. BM_MemoryOver10MillionPairs reports how much
// the resident set grew (the writer's thread must keep up with the callers).
#include "oryxutil/profile/Profile.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

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
BENCHMARK(BM_MemoryOver10MillionPairs)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
