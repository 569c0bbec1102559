// SPDX-License-Identifier: Apache-2.0
// The profiler as a process sees it: lines reaching OX_PROFILE_FILE, the
// switches read at load, and clean exits (no hang, no crash, no leak) with
// timers running. Each case runs tests/profile/child as a fresh process.
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using oryxtest::exitsCleanly;

class ProfileProcess : public ::testing::Test {
 protected:
  ::testing::AssertionResult run(const char* scenario, std::vector<std::string> env = {}) {
    env.push_back("OX_PROFILE_FILE=" + m_dir.file("profile.log"));
    return exitsCleanly({ORYX_PROFILE_CHILD, scenario}, env);
  }
  // The file's lines with every figure after "]:" shown as "#".
  std::vector<std::string> lines() const {
    std::vector<std::string> result;
    std::istringstream in(oryxtest::readFile(m_dir.file("profile.log")));
    for (std::string line, shown; std::getline(in, line); result.push_back(shown)) {
      const size_t figures = line.find("]:");
      shown = line.substr(0, figures);
      for (size_t i = shown.size(); i < line.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
        if (!digit) shown += line[i];
        else if (shown.back() != '#') shown += '#';
      }
    }
    return result;
  }
  std::string text() const {
    std::string joined;
    for (const std::string& line : lines()) joined += line + "\n";
    return joined;
  }

  oryxtest::TempDir m_dir;
};

// In "running" the program's static guard ends before the library unloads;
// "idle" waits until its line is in the file; "quiet" checks that the writer
// thread starts with the first line, not before.
TEST_F(ProfileProcess, LinesIndentByLevelSwitchesDropPartsAndExitKeepsOnlyLinesFromBefore) {
  const std::string inner = "Elapsed[inner]:#s:#ms:#us:#ns\n";
  const std::string rest = "Elapsed[outer]:#s:#ms:#us:#ns\nTimestamp[mark]:#s:#us\n";
  const std::string running =
      "Started[static scope]\n  Started[left running]\n    Started[also running]\n"
      "    Elapsed[static scope]:#s:#ms:#us:#ns\n";
  const struct {
    const char* scenario;
    std::vector<std::string> env;
    std::string expected;
  } kCases[] = {
      {"nested", {}, "Started[outer]\n  Started[inner]\n  " + inner + rest},
      {"nested", {"OX_PROFILE_NO_WRITE_START="}, "  " + inner + rest},
      {"nested", {"OX_PROFILE_NO_WRITE_INDENT=0"}, "Started[outer]\nStarted[inner]\n" + inner + rest},
      {"running", {}, running},
      {"exit-then-running", {}, "Started[before exit]\n"},
      {"idle", {}, "Timestamp[lone]:#s:#us\n"},
      {"quiet", {}, "Timestamp[first]:#s:#us\n"}};
  for (const auto& c : kCases) {
    std::remove(m_dir.file("profile.log").c_str());
    ASSERT_TRUE(run(c.scenario, c.env)) << c.scenario;
    EXPECT_EQ(text(), c.expected) << c.scenario << " " << (c.env.empty() ? "defaults" : c.env[0]);
  }
}

TEST_F(ProfileProcess, ThreadsKeepTheirOwnOrderInWholeLines) {
  ASSERT_TRUE(run("threads", {"OX_PROFILE_NO_WRITE_INDENT="}));
  std::vector<std::vector<std::string>> byThread(4);
  for (const std::string& line : lines()) {
    const size_t t = line.size() > 9 ? static_cast<size_t>(line[9] - '0') : 9;
    ASSERT_LT(t, 4u) << line;
    byThread[t].push_back(line);
  }
  for (int t = 0; t < 4; ++t) {
    ASSERT_EQ(byThread[t].size(), 4000u);
    for (int i = 0; i < 2000; ++i) {
      const std::string name = "[t" + std::to_string(t) + "-" + std::to_string(i) + "]";
      ASSERT_EQ(byThread[t][2 * i], "Started" + name);
      ASSERT_EQ(byThread[t][2 * i + 1], "Elapsed" + name + ":#s:#ms:#us:#ns");
    }
  }
}

}  // namespace
