// SPDX-License-Identifier: Apache-2.0
// The whole zip transaction of zipSpecificFile (listing, packing, the
// central-directory check, the syncs, the deletion) against its floor: a
// bare "7za a" of the same files, run the same way. The two alternate, the
// order swapped every other pair; the files are made afresh before each
// run, outside the timing. Reported: the median of transaction / bare.
#include "oryxutil/fileutil/FileUtil.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

// The files live below $ORYX_BENCH_DIR (default /tmp): the deletion's cost
// depends on the file system (mounted with online discard, an unlink of a
// synced file waits for the discard), so it is worth running on each kind.
const std::string kBase = std::string(std::getenv("ORYX_BENCH_DIR") ? std::getenv("ORYX_BENCH_DIR") : "/tmp") +
                          "/oryx-bench-archive";

// Text that compresses about as well as a server log.
std::string logText(size_t size, unsigned seed) {
  static const char* const kWords[] = {"request", "served", "in", "ms", "user", "session", "opened", "closed",
                                       "GET", "/api/v1/items", "200", "404", "cache", "miss", "hit", "worker"};
  std::mt19937 random(seed);
  std::string text;
  text.reserve(size + 32);
  while (text.size() < size) {
    text += std::to_string(random() % 100000);
    for (int i = 0; i < 8; ++i) text.append(" ").append(kWords[random() % 16]);
    text += "\n";
  }
  text.resize(size);
  return text;
}

void makeFiles(const std::string& dir, int count, size_t size) {
  ::mkdir(dir.c_str(), 0755);
  for (int i = 0; i < count; ++i) {
    const std::string text = logText(size, static_cast<unsigned>(i));
    const int fd = ::open((dir + "/f" + std::to_string(i) + ".log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, text.data(), text.size()) < 0) std::abort();
    ::close(fd);
  }
}

void clear(const std::string& path) {
  const std::string command = "rm -rf '" + path + "'";
  if (std::system(command.c_str()) != 0) std::abort();
}

// 7za as the library runs it, in `dir`, on the same literal names.
int bareSevenZip(const std::string& dir, const std::string& archive, int count) {
  std::vector<std::string> words = {"7za", "a", "-tzip", "-y", "-spd", "-snl", "--", archive};
  for (int i = 0; i < count; ++i) words.push_back("f" + std::to_string(i) + ".log");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  pid_t child = 0;
  int status = 1;
  if (posix_spawnp(&child, "7za", &actions, nullptr, argv.data(), environ) == 0) ::waitpid(child, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

void BM_ZipTransactionOverBare7za(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const size_t size = static_cast<size_t>(state.range(1));
  const std::string root = kBase + "/root";
  const std::string files = kBase + "/files";
  ::mkdir(kBase.c_str(), 0755);
  ::setenv("ORYX_ROOT", root.c_str(), 1);
  using Clock = std::chrono::steady_clock;
  std::vector<double> ratios;
  double transactionMs = 0;
  double bareMs = 0;
  for (auto _ : state) {
    double ms[2] = {0, 0};
    for (int turn = 0; turn < 2; ++turn) {
      const bool transaction = (turn == 0) == (ratios.size() % 2 == 0);
      clear(files);
      clear(root);
      makeFiles(files, count, size);
      ::sync();
      const auto start = Clock::now();
      if (transaction) {
        if (oRYXFileUtil::zipSpecificFile(files.c_str(), "*.log", "t", 0, "UTF-8") != 0) state.SkipWithError("zip failed");
      } else {
        ::mkdir(root.c_str(), 0755);
        if (bareSevenZip(files, root + "/bare.zip", count) != 0) state.SkipWithError("7za failed");
      }
      ms[transaction ? 0 : 1] = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    transactionMs += ms[0];
    bareMs += ms[1];
    ratios.push_back(ms[0] / ms[1]);
  }
  std::sort(ratios.begin(), ratios.end());
  const double pairs = static_cast<double>(ratios.size());
  state.counters["transaction_ms"] = transactionMs / pairs;
  state.counters["bare_7za_ms"] = bareMs / pairs;
  state.counters["median_ratio"] = ratios[ratios.size() / 2];
  clear(kBase);
}

}  // namespace

BENCHMARK(BM_ZipTransactionOverBare7za)->Args({1000, 4096})->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZipTransactionOverBare7za)->Args({10, 10 << 20})->Iterations(7)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
