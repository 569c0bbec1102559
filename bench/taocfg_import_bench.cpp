// SPDX-License-Identifier: Apache-2.0
// Loading a 4 MiB tao.cfg of 100,000 keys (the size limit) through TAO_init,
// in keys per second, against a floor that does the least any import
// needs: read the file and find every line's "=".
#include "oryxutil/orbcfg/TaoCfg.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

const int kKeys = 100000;
const size_t kFileBytes = 4u * 1024 * 1024;

// Written once; left behind for a rerun.
const std::string& cfgFile() {
  static const std::string path = [] {
    const std::string file = "/tmp/oryx-bench-tao.cfg";
    std::string text = "[NameService]\nhostname=h\nport=2809\n[Debug]\nDebugLevel=0\n[Extra]\n";
    const size_t valueBytes = kFileBytes / kKeys - 16;
    for (int i = 0; text.size() + 16 + valueBytes < kFileBytes && i < kKeys - 3; ++i) {
      text += "key" + std::to_string(i) + " = " + std::string(valueBytes, 'v') + "\n";
    }
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }();
  return path;
}

void BM_Floor_ReadAndFindEquals(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(cfgFile(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t found = 0;
    for (const char* line = text.data(); line < text.data() + text.size();) {
      const char* end = static_cast<const char*>(std::memchr(line, '\n', text.data() + text.size() - line));
      if (end == nullptr) end = text.data() + text.size();
      found += std::memchr(line, '=', end - line) != nullptr;
      line = end + 1;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_TaoInitLoadsTheFile(benchmark::State& state) {
  ::setenv("ORYX_CONFIG_PATH", "/cfg", 1);
  ::setenv("ORYX_ROOT", "/root", 1);
  for (auto _ : state) {
    oRYX_Tao_Cfg cfg(cfgFile().c_str());
    std::unique_ptr<ACE_ARGV_T<char>> args(cfg.TAO_init(nullptr, "7000", ""));
    if (!args) state.SkipWithError("not loaded");
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

}  // namespace

BENCHMARK(BM_Floor_ReadAndFindEquals)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaoInitLoadsTheFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
