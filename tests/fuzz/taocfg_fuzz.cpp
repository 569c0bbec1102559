// SPDX-License-Identifier: Apache-2.0
// A fuzzed tao.cfg never crashes TAO_init, and every word of a vector it
// returns is non-empty; the caller's own words come first unchanged.
#include "oryxutil/orbcfg/TaoCfg.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

std::string scratchFile() {
  static const std::string name = "/tmp/oryx-fuzz-tao-" + std::to_string(::getpid()) + ".cfg";
  return name;
}

void check(ACE_ARGV_T<char>* result) {
  std::unique_ptr<ACE_ARGV_T<char>> args(result);
  if (!args) return;
  for (int i = 0; i < args->argc(); ++i) {
    if (args->argv()[i] == nullptr || args->argv()[i][0] == '\0') std::abort();
  }
  if (args->argc() < 1 || std::strcmp(args->argv()[0], "server") != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ::setenv("ORYX_CONFIG_PATH", "/cfg", 1);
  ::setenv("ORYX_ROOT", "/root", 1);
  ::setenv("ORYXFUZZ_EMPTY", "", 1);
  FILE* out = std::fopen(scratchFile().c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  char program[] = "server";
  char* argv[] = {program, nullptr};
  oRYX_Tao_Cfg cfg(scratchFile().c_str());
  check(cfg.TAO_init(argv, "7000", ""));
  check(cfg.TAO_init(argv, 7000, "/nonexistent.conf", 7001));
  return 0;
}
