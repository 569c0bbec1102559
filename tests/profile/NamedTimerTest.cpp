// SPDX-License-Identifier: Apache-2.0
// Named timers in this process (no OX_PROFILE_FILE: lines go nowhere, elapsed
// lines are read back through getElapsedTime), line formats, caller-owned
// timers, and several threads at once.
#include "oryxutil/profile/Profile.h"

#include "profile/LineFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

// The indent a start line would carry now, read without changing it: the
// probe's start adds one step and its elapsed read removes it.
std::string currentIndent() {
  oRYXProfile::startTimer("probe");
  const std::string line = oRYXProfile::getElapsedTime("probe");
  oRYXProfile::clean("probe");
  return line.substr(0, line.find("Elapsed["));
}

std::string indentOf(const std::string& line) { return line.substr(0, line.find_first_not_of(' ')); }

// Tests may leave the indent deeper; each measures from where it starts.
class NamedTimers : public ::testing::Test {
 protected:
  void SetUp() override { m_base = currentIndent(); }
  std::string deeper(int steps) const { return m_base + std::string(2 * steps, ' '); }
  std::string m_base;
};

TEST_F(NamedTimers, RestartAddsAStepEveryElapsedReadRemovesOneCleanRemovesNone) {
  oRYXProfile::startTimer("twice");
  oRYXProfile::startTimer("twice");
  oRYXProfile::stopTimer("twice");
  oRYXProfile::stopTimer("never started");  // quiet, no step
  EXPECT_EQ(currentIndent(), deeper(1));
  oRYXProfile::startTimer("pad");
  oRYXProfile::clean("pad");
  EXPECT_EQ(oRYXProfile::getElapsedTime("pad"), "");
  EXPECT_EQ(indentOf(oRYXProfile::getElapsedTime("twice")), deeper(1));
  EXPECT_EQ(indentOf(oRYXProfile::getElapsedTime("twice")), m_base);
  oRYXProfile::clean("twice");
}

TEST_F(NamedTimers, RunningTimerReportsTheTimeSinceItsStart) {
  oRYXProfile::startTimer("running");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::string line = oRYXProfile::getElapsedTime("running");
  oRYXProfile::clean("running");
  EXPECT_EQ(line.find(m_base + "Elapsed[running]:0s:"), 0u) << line;
  EXPECT_EQ(line.find(":0ms:"), std::string::npos) << line;
}

TEST(ProfileLines, ElapsedSplitsTheFractionIntoMillisMicrosNanos) {
  char line[oryx::profile::kLineBuffer];
  oryx::profile::formatElapsed(line, 1, "job", 2003500000ULL);
  EXPECT_STREQ(line, "  Elapsed[job]:2s:3ms:500us:0ns\n");
  oryx::profile::formatElapsed(line, 0, "edge", 61999999999ULL);
  EXPECT_STREQ(line, "Elapsed[edge]:61s:999ms:999us:999ns\n");
  EXPECT_EQ(oryx::profile::wholeMilliseconds(2003500000ULL), 2003);
}

// The lines are built by hand for speed; wherever the cut falls (inside the
// name, a number or the line feed) they must equal what the format gives.
TEST(ProfileLines, CutLinesMatchTheFormat) {
  char line[oryx::profile::kLineBuffer];
  char expected[oryx::profile::kLineBuffer];
  for (size_t length = 200; length <= 260; ++length) {
    const std::string name(length, 'n');
    oryx::profile::formatElapsed(line, 2, name.c_str(), 61999999999ULL);
    std::snprintf(expected, sizeof expected, "    Elapsed[%s]:61s:999ms:999us:999ns\n", name.c_str());
    ASSERT_STREQ(line, expected) << length;
    oryx::profile::formatTimestamp(line, name.c_str(), -1234567890L, 999999);
    std::snprintf(expected, sizeof expected, "Timestamp[%s]:-1234567890s:999999us\n", name.c_str());
    ASSERT_STREQ(line, expected) << length;
    oryx::profile::formatStart(line, 1, name.c_str());
    std::snprintf(expected, sizeof expected, "  Started[%s]\n", name.c_str());
    ASSERT_STREQ(line, expected) << length;
  }
}

TEST_F(NamedTimers, ManyThreadsLeaveTheIndentWhereTheyFoundIt) {
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([t] {
      const std::string own = "own-" + std::to_string(t);
      for (int i = 0; i < 500; ++i) {
        oRYXProfile::startTimer(own);
        oRYXProfile::startTimer("shared");
        { oRYXAutoProfile scope(("scope-" + own).c_str()); }
        oRYXProfile::writeTime(own);
        oRYXProfile::stopTimer("shared");
        oRYXProfile::stopTimer(own);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  oRYXProfile::clean("shared");
  EXPECT_EQ(currentIndent(), m_base);
}

}  // namespace
