// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_ORBCFG_TAOCFGFIXTURE_H
#define ORYXUTIL_TESTS_ORBCFG_TAOCFGFIXTURE_H

// A tao.cfg in a scratch directory, CFG "/cfg", ROOT "/root", echo off, and
// helpers that turn a TAO_init result into its words or its option text.

#include "oryxutil/orbcfg/TaoCfg.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using Words = std::vector<std::string>;
const Words kNull = {"(null)"};

// The words of a TAO_init result, which is deleted.
inline Words words(ACE_ARGV_T<char>* result) {
  std::unique_ptr<ACE_ARGV_T<char>> owned(result);
  if (!owned) return kNull;
  return Words(owned->argv(), owned->argv() + owned->argc());
}

class TaoCfgTest : public ::testing::Test {
 protected:
  oryxtest::TempDir dir;
  oryxtest::EnvGuard config{"ORYX_CONFIG_PATH", "/cfg"}, root{"ORYX_ROOT", "/root"};
  oryxtest::EnvGuard echo{"ORYX_TAO_DEBUG_WREN", nullptr};
  char program[7] = "server";
  char* argv[2] = {program, nullptr};

  std::string cfgPath() const { return dir.file("tao.cfg"); }
  void writeCfg(const std::string& text) const { oryxtest::writeFile(cfgPath(), text); }
  Words plain(const char* port = "7000") {
    oRYX_Tao_Cfg cfg(cfgPath().c_str());
    return words(cfg.TAO_init(argv, port, ""));
  }
  Words secure(int port, const std::string& svc, int sslPort) {
    oRYX_Tao_Cfg cfg(cfgPath().c_str());
    return words(cfg.TAO_init(argv, port, svc, sslPort));
  }
  // What the debug echo prints: the exact option text behind the words.
  // A negative `port` selects the text-port form with `textPort`.
  std::string echoed(int port, int sslPort, const char* textPort = "7000") {
    oryxtest::EnvGuard on("ORYX_TAO_DEBUG_WREN", "1");
    oRYX_Tao_Cfg cfg(cfgPath().c_str());
    testing::internal::CaptureStdout();
    words(port < 0 ? cfg.TAO_init(argv, textPort, "") : cfg.TAO_init(argv, port, "", sslPort));
    return testing::internal::GetCapturedStdout();
  }
};

#endif
