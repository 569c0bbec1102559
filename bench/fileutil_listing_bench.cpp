// SPDX-License-Identifier: Apache-2.0
// getFileList on a directory of 10,000 files with distinct modification
// times, in the three orders, against a floor that does the least any
// listing needs: scandir of the same entries plus one stat of each.
#include "oryxutil/fileutil/FileUtil.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const int kFiles = 10000;

// Created once; left behind for a rerun.
const std::string& benchDir() {
  static const std::string dir = [] {
    const std::string path = "/tmp/oryx-bench-listing";
    ::mkdir(path.c_str(), 0755);
    for (int i = 0; i < kFiles; ++i) {
      const std::string file = path + "/f" + std::to_string((i * 7919) % kFiles) + ".log";
      const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT, 0644);
      const struct timespec times[2] = {{1600000000 + i, 0}, {1600000000 + i, 0}};
      ::futimens(fd, times);
      ::close(fd);
    }
    return path;
  }();
  return dir;
}

int notDots(const struct dirent* entry) {
  return std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0;
}

void BM_Floor_ScandirAndStat(benchmark::State& state) {
  const std::string& dir = benchDir();
  for (auto _ : state) {
    struct dirent** list = nullptr;
    const int count = ::scandir(dir.c_str(), &list, notDots, nullptr);
    std::string path;
    for (int i = 0; i < count; ++i) {
      struct ::stat record;
      path.assign(dir).append(1, '/').append(list[i]->d_name);
      benchmark::DoNotOptimize(::stat(path.c_str(), &record));
      std::free(list[i]);
    }
    std::free(list);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_GetFileList(benchmark::State& state) {
  const std::string& dir = benchDir();
  const ORDER order = static_cast<ORDER>(state.range(0));
  for (auto _ : state) {
    std::list<FILEINFO> files;
    oRYXFileUtil::getFileList(dir.c_str(), files, order, 0, "UTF-8");
    if (files.size() != static_cast<size_t>(kFiles)) state.SkipWithError("wrong count");
    benchmark::DoNotOptimize(files);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

// GNU ls of the same directory, process start included, for reference.
void BM_Reference_LsByTime(benchmark::State& state) {
  const std::string command = "ls -t " + benchDir() + " >/dev/null";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  state.SetItemsProcessed(state.iterations() * kFiles);
}

}  // namespace

BENCHMARK(BM_Floor_ScandirAndStat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetFileList)->Arg(ORDER_NONE)->Arg(ORDER_BY_TIME)->Arg(ORDER_BY_NAME)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference_LsByTime)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
