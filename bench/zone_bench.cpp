// SPDX-License-Identifier: Apache-2.0
// The caller's cost of a zone with the trace on, against the floor of the
// two clock reads a zone needs (CLOCK_MONOTONIC through the vDSO), measured
// in turns in one run and reported as a ratio (median_ratio) and in ns:
// - BM_Ratio_ZonePair: one thread; bursts of 2000 zones (a quarter of a
//   thread's ring) with a pause between bursts, so the writer keeps up and
//   the figures are those of a stored event, not of a drop;
// - BM_CpuPerPair_EightThreadsToOne: the thread CPU time of a pair with 8
//   threads zoning at once, as a ratio to one thread alone (no shared lock,
//   no shared cache line written on the caller's path: near 1);
// - BM_MemoryOver100MillionZones: resident set growth over 100 M zones on
//   one thread (the writer falls far behind: the rings are fixed, events
//   are dropped and counted, nothing grows).
// BM_Floor_Rdtsc shows what the other clock would cost (two rdtsc reads).
// The program restarts itself with OX_PROFILE_TRACE=/dev/null when no trace
// destination is set, since the library reads it at load.
#include "oryxutil/profile/Zone.h"

#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>
#include <x86intrin.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

const int kBurst = 2000;
const auto kPause = std::chrono::milliseconds(3);

double cpuNs() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

double wallNs() { return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

long residentKiB() {
  long pages = 0, resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return -1;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = -1;
  std::fclose(statm);
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

void twoClockReads() {
  timespec a, b;
  clock_gettime(CLOCK_MONOTONIC, &a);
  benchmark::DoNotOptimize(a);
  clock_gettime(CLOCK_MONOTONIC, &b);
  benchmark::DoNotOptimize(b);
}

void zonePair() { oryx::profile::Zone zone("pair"); }

// ns per pair of `body` over one burst, in wall time.
template <class Body>
double burstNs(Body body) {
  const double start = wallNs();
  for (int i = 0; i < kBurst; ++i) {
    body();
    benchmark::ClobberMemory();
  }
  return (wallNs() - start) / kBurst;
}

void BM_Floor_Rdtsc(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(__rdtsc());
    benchmark::DoNotOptimize(__rdtsc());
  }
}

void BM_Floor_TwoClockReads(benchmark::State& state) {
  for (auto _ : state) twoClockReads();
}

void BM_Ratio_ZonePair(benchmark::State& state) {
  std::vector<double> ratios, zoneNs, floorNs;
  for (auto _ : state) {
    const bool swapped = ratios.size() % 2 == 1;
    const double first = swapped ? burstNs(zonePair) : burstNs(twoClockReads);
    const double second = swapped ? burstNs(twoClockReads) : burstNs(zonePair);
    const double floor = swapped ? second : first, zone = swapped ? first : second;
    ratios.push_back(zone / floor);
    zoneNs.push_back(zone);
    floorNs.push_back(floor);
    std::this_thread::sleep_for(kPause);  // the writer empties the ring
  }
  state.counters["median_ratio"] = median(ratios);
  state.counters["zone_pair_ns"] = median(zoneNs);
  state.counters["floor_ns"] = median(floorNs);
  state.counters["tracing"] = oryx::profile::tracing();
}

// Thread CPU ns per pair on each of `threads` threads zoning at once.
double cpuPerPair(int threads) {
  std::vector<double> perThread(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([t, &perThread] {
      std::vector<double> bursts;
      for (int b = 0; b < 10; ++b) {
        const double start = cpuNs();
        for (int i = 0; i < kBurst; ++i) zonePair();
        bursts.push_back((cpuNs() - start) / kBurst);
        std::this_thread::sleep_for(kPause);
      }
      perThread[static_cast<size_t>(t)] = median(bursts);
    });
  }
  for (std::thread& worker : workers) worker.join();
  return median(perThread);
}

void BM_CpuPerPair_EightThreadsToOne(benchmark::State& state) {
  std::vector<double> ratios, one, eight;
  for (auto _ : state) {
    one.push_back(cpuPerPair(1));
    eight.push_back(cpuPerPair(8));
    ratios.push_back(eight.back() / one.back());
  }
  state.counters["median_ratio"] = median(ratios);
  state.counters["one_thread_cpu_ns"] = median(one);
  state.counters["eight_threads_cpu_ns"] = median(eight);
}

void BM_MemoryOver100MillionZones(benchmark::State& state) {
  const long kZones = 100000000;
  long before = 0, peak = 0, after = 0;
  for (auto _ : state) {
    before = residentKiB();
    peak = before;
    for (long i = 1; i <= kZones; ++i) {
      zonePair();
      if (i % 5000000 == 0) peak = std::max(peak, residentKiB());
    }
    after = residentKiB();
  }
  state.counters["rss_before_KiB"] = static_cast<double>(before);
  state.counters["rss_peak_growth_KiB"] = static_cast<double>(peak - before);
  state.counters["rss_end_growth_KiB"] = static_cast<double>(after - before);
  state.SetItemsProcessed(kZones);
}

}  // namespace

BENCHMARK(BM_Floor_Rdtsc)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_Floor_TwoClockReads)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_Ratio_ZonePair)->Iterations(101);
BENCHMARK(BM_CpuPerPair_EightThreadsToOne)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryOver100MillionZones)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (std::getenv("OX_PROFILE_TRACE") == nullptr) {
    ::setenv("OX_PROFILE_TRACE", "/dev/null", 1);
    ::execv("/proc/self/exe", argv);
    std::perror("zone_bench: restart with OX_PROFILE_TRACE");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
