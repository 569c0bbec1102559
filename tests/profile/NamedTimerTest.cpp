// Named timers in this process: indentation, restarts, unknown names, the
// scope guard, caller-owned timers, line formats and several threads at once.
// Lines go nowhere here (no OX_PROFILE_FILE); elapsed lines are read back
// through getElapsedTime.
#include "oryxutil/profile/Profile.h"

#include "profile/LineFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

// The process-wide indent as a start line would carry it now, read without
// changing it: a probe timer adds one step and its elapsed line removes it.
std::string currentIndent() {
  oRYXProfile::startTimer("indent probe");
  const std::string line = oRYXProfile::getElapsedTime("indent probe");
  oRYXProfile::clean("indent probe");
  return line.substr(0, line.find("Elapsed["));
}

std::string indentOf(const std::string& line) { return line.substr(0, line.find_first_not_of(' ')); }

// Milliseconds of an elapsed line; -1 when the line is malformed.
long millisecondsOf(const std::string& line) {
  long s = 0, ms = 0, us = 0, ns = 0;
  const size_t colon = line.find("]:");
  if (colon == std::string::npos ||
      std::sscanf(line.c_str() + colon + 2, "%lds:%ldms:%ldus:%ldns", &s, &ms, &us, &ns) != 4) {
    return -1;
  }
  return s * 1000 + ms;
}

class NamedTimers : public ::testing::Test {
 protected:
  void SetUp() override { m_base = currentIndent(); }
  std::string deeper(int steps) const { return m_base + std::string(2 * steps, ' '); }
  std::string m_base;
};

// --- Indentation ------------------------------------------------------------

TEST_F(NamedTimers, NestedTimersReportOneIndentStepPerLevelAndRestoreIt) {
  oRYXProfile::startTimer("outer");
  oRYXProfile::startTimer("inner");
  EXPECT_EQ(currentIndent(), deeper(2));
  const std::string inner = oRYXProfile::getElapsedTime("inner");
  EXPECT_EQ(indentOf(inner), deeper(1));
  EXPECT_EQ(inner.rfind(deeper(1) + "Elapsed[inner]:", 0), 0u) << inner;
  const std::string outer = oRYXProfile::getElapsedTime("outer");
  EXPECT_EQ(outer.rfind(m_base + "Elapsed[outer]:", 0), 0u) << outer;
  EXPECT_EQ(currentIndent(), m_base);
  oRYXProfile::clean("outer");
  oRYXProfile::clean("inner");
}

TEST_F(NamedTimers, StopAndStartKeepTheIndentBalanced) {
  oRYXProfile::startTimer("outer");
  oRYXProfile::startTimer("inner");
  oRYXProfile::stopTimer("inner");
  EXPECT_EQ(currentIndent(), deeper(1));
  oRYXProfile::stopTimer("outer");
  EXPECT_EQ(currentIndent(), m_base);
  oRYXProfile::clean("outer");
  oRYXProfile::clean("inner");
}

TEST_F(NamedTimers, RestartingARunningNameAddsAStep) {
  oRYXProfile::startTimer("twice");
  oRYXProfile::startTimer("twice");
  oRYXProfile::stopTimer("twice");
  EXPECT_EQ(currentIndent(), deeper(1));
  oRYXProfile::getElapsedTime("twice");  // takes the extra step back
  oRYXProfile::clean("twice");
}

TEST_F(NamedTimers, EveryElapsedReadRemovesOneStepUntilNoneIsLeft) {
  oRYXProfile::startTimer("read");
  oRYXProfile::stopTimer("read");  // back at the base indent
  oRYXProfile::startTimer("pad");
  oRYXProfile::startTimer("pad");
  EXPECT_EQ(indentOf(oRYXProfile::getElapsedTime("read")), deeper(1));
  EXPECT_EQ(indentOf(oRYXProfile::getElapsedTime("read")), m_base);
  if (m_base.empty()) {
    EXPECT_EQ(indentOf(oRYXProfile::getElapsedTime("read")), "");  // nothing left to remove
  }
  oRYXProfile::clean("read");
  oRYXProfile::clean("pad");
}

// --- Lifecycle of a name -----------------------------------------------------

TEST_F(NamedTimers, UnknownNamesAreQuietAndChangeNothing) {
  oRYXProfile::stopTimer("never started");
  oRYXProfile::clean("never started");
  EXPECT_EQ(oRYXProfile::getElapsedTime("never started"), "");
  EXPECT_EQ(currentIndent(), m_base);
}

TEST_F(NamedTimers, CleanForgetsTheNameWithoutTouchingTheIndent) {
  oRYXProfile::startTimer("gone");
  oRYXProfile::clean("gone");
  EXPECT_EQ(oRYXProfile::getElapsedTime("gone"), "");
  EXPECT_EQ(currentIndent(), deeper(1));
  oRYXProfile::startTimer("gone");
  oRYXProfile::getElapsedTime("gone");
  oRYXProfile::getElapsedTime("gone");
  oRYXProfile::clean("gone");
}

TEST_F(NamedTimers, StoppedTimerKeepsItsSpanAndRunningTimerCountsUpToNow) {
  oRYXProfile::startTimer("span");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const long running = millisecondsOf(oRYXProfile::getElapsedTime("span"));
  EXPECT_GE(running, 30);
  EXPECT_LT(running, 60000);
  oRYXProfile::startTimer("span");
  oRYXProfile::stopTimer("span");
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_LT(millisecondsOf(oRYXProfile::getElapsedTime("span")), 30);  // restart reset the span
  oRYXProfile::clean("span");
}

TEST_F(NamedTimers, ScopeGuardStartsStopsAndForgetsItsName) {
  {
    oRYXAutoProfile scope("scoped");
    EXPECT_EQ(currentIndent(), deeper(1));
    oRYXAutoProfile copy(scope);  // takes the name, starts nothing
    EXPECT_EQ(currentIndent(), deeper(1));
  }
  EXPECT_EQ(oRYXProfile::getElapsedTime("scoped"), "");
  EXPECT_EQ(currentIndent(), m_base);
  { oRYXAutoProfile unnamed(nullptr); }
  EXPECT_EQ(currentIndent(), m_base);
}

// --- Line formats ---------------------------------------------------------------

TEST(ProfileLines, ElapsedSplitsTheFractionIntoMillisMicrosNanos) {
  char line[oryx::profile::kLineBuffer];
  oryx::profile::formatElapsed(line, "  ", "job", 2003500000ULL);
  EXPECT_STREQ(line, "  Elapsed[job]:2s:3ms:500us:0ns\n");
  oryx::profile::formatElapsed(line, "", "edge", 61999999999ULL);
  EXPECT_STREQ(line, "Elapsed[edge]:61s:999ms:999us:999ns\n");
  EXPECT_EQ(oryx::profile::wholeMilliseconds(2003500000ULL), 2003);
  EXPECT_EQ(oryx::profile::wholeMilliseconds(999999ULL), 0);
}

TEST(ProfileLines, LongNameIsCutTo255Characters) {
  const std::string name(300, 'x');
  char line[oryx::profile::kLineBuffer];
  oryx::profile::formatStart(line, "", name.c_str());
  EXPECT_EQ(std::string(line), "Started[" + name.substr(0, 255 - 8));
  const std::string elapsed = oRYXProfile::getTime(name);
  EXPECT_EQ(elapsed, "Timestamp[" + name.substr(0, 255 - 10));
}

TEST(ProfileLines, TimestampIsWallClockSecondsAndMicroseconds) {
  const std::string line = oRYXProfile::getTime("now");
  long seconds = -1, micros = -1;
  int used = 0;
  ASSERT_EQ(std::sscanf(line.c_str(), "Timestamp[now]:%lds:%ldus%n", &seconds, &micros, &used), 2) << line;
  EXPECT_EQ(line.substr(static_cast<size_t>(used)), "\n") << line;
  EXPECT_TRUE(micros >= 0 && micros < 1000000) << line;
  EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(std::time(nullptr)), 5.0);
}

// --- Caller-owned timers -------------------------------------------------------

TEST(CallerOwnedTimers, NullIsIgnoredAndReadsZero) {
  oRYXProfile::startTimer(static_cast<ACE_High_Res_Timer*>(nullptr));
  oRYXProfile::stopTimer(static_cast<ACE_High_Res_Timer*>(nullptr));
  EXPECT_EQ(oRYXProfile::getElapsedTime(static_cast<ACE_High_Res_Timer*>(nullptr)), 0);
}

TEST(CallerOwnedTimers, ElapsedIsWholeMillisecondsOfTheLastSpan) {
  ACE_High_Res_Timer timer;
  oRYXProfile::startTimer(&timer);
  std::this_thread::sleep_for(std::chrono::milliseconds(25));
  oRYXProfile::stopTimer(&timer);
  const long first = oRYXProfile::getElapsedTime(&timer);
  EXPECT_GE(first, 25);
  EXPECT_LT(first, 60000);
  oRYXProfile::startTimer(&timer);
  oRYXProfile::stopTimer(&timer);
  EXPECT_LT(oRYXProfile::getElapsedTime(&timer), 25);
}

// --- Threads ---------------------------------------------------------------------

TEST_F(NamedTimers, ManyThreadsLeaveTheIndentWhereTheyFoundIt) {
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([t] {
      const std::string own = "own-" + std::to_string(t);
      for (int i = 0; i < 500; ++i) {
        oRYXProfile::startTimer(own);
        oRYXProfile::startTimer("shared");
        { oRYXAutoProfile scope(("scope-" + std::to_string(t)).c_str()); }
        oRYXProfile::writeTime(own);
        oRYXProfile::stopTimer("shared");
        oRYXProfile::stopTimer(own);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(currentIndent(), m_base);
  for (int t = 0; t < 4; ++t) {
    const std::string own = "own-" + std::to_string(t);
    oRYXProfile::startTimer(own);  // keeps the read below balanced
    EXPECT_GE(millisecondsOf(oRYXProfile::getElapsedTime(own)), 0);
    oRYXProfile::clean(own);
  }
  oRYXProfile::clean("shared");
}

}  // namespace
