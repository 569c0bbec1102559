// The profiler as a process sees it: lines reaching OX_PROFILE_FILE, the
// switches read at load, and clean exits with timers running. Each case runs
// tests/profile/child as a fresh process.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

struct ChildResult {
  bool finished = false;  // false: it hung and was killed
  int exitCode = -1;      // -1 when it died of a signal
};

// Runs `command` with the test's environment minus every OX_PROFILE_*
// variable, plus `extraEnv` ("NAME=value"). A child still running after
// `timeout` is killed.
ChildResult runChild(const std::vector<std::string>& command, const std::vector<std::string>& extraEnv,
                     std::chrono::seconds timeout = std::chrono::seconds(180)) {
  std::vector<std::string> envText;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "OX_PROFILE_", 11) != 0) envText.push_back(*entry);
  }
  envText.insert(envText.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& text : envText) envp.push_back(&text[0]);
  envp.push_back(nullptr);
  std::vector<std::string> args = command;
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  ChildResult result;
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return result;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.finished = true;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

ChildResult runScenario(const std::string& scenario, const std::vector<std::string>& extraEnv) {
  return runChild({ORYX_PROFILE_CHILD, scenario}, extraEnv);
}

// The figures of one line replaced by a marker when they have the right
// shape: "Elapsed[x]:1s:2ms:3us:4ns" -> "Elapsed[x]:N", "Timestamp[x]:5s:6us"
// -> "Timestamp[x]:T". Other lines are kept as they are.
std::string withoutFigures(const std::string& line) {
  const size_t close = line.rfind("]:");
  if (close == std::string::npos) return line;
  const std::string head = line.substr(0, close + 2);
  const char* figures = line.c_str() + close + 2;
  long s = 0, ms = 0, us = 0, ns = 0;
  int used = 0;
  if (head.find("Elapsed[") != std::string::npos &&
      std::sscanf(figures, "%lds:%ldms:%ldus:%ldns%n", &s, &ms, &us, &ns, &used) == 4 &&
      figures[used] == '\0' && s >= 0 && ms >= 0 && ms < 1000 && us >= 0 && us < 1000 && ns >= 0 &&
      ns < 1000) {
    return head + "N";
  }
  if (head.find("Timestamp[") != std::string::npos &&
      std::sscanf(figures, "%lds:%ldus%n", &s, &us, &used) == 2 && figures[used] == '\0' &&
      us >= 0 && us < 1000000) {
    return head + "T";
  }
  return line;
}

// The lines of the text (without their line feeds), figures replaced.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(withoutFigures(line));
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class ProfileProcess : public ::testing::Test {
 protected:
  std::string profileEnv() const { return "OX_PROFILE_FILE=" + m_dir.file("profile.log"); }
  std::vector<std::string> profileLines() const { return linesOf(oryxtest::readFile(m_dir.file("profile.log"))); }
  std::string profileText() const { return joined(profileLines()); }

  oryxtest::TempDir m_dir;
};

void expectCleanExit(const ChildResult& run) {
  EXPECT_TRUE(run.finished) << "the child hung at exit";
  EXPECT_EQ(run.exitCode, 0);
}

// --- Lines in the profile file -------------------------------------------

TEST_F(ProfileProcess, NestedTimersIndentByLevelAndLinesAfterExitAreDropped) {
  expectCleanExit(runScenario("nested", {profileEnv()}));
  EXPECT_EQ(profileText(),
            "Started[outer]\n"
            "  Started[inner]\n"
            "  Elapsed[inner]:N\n"
            "Elapsed[outer]:N\n"
            "Timestamp[mark]:T\n");
}

TEST_F(ProfileProcess, BurstOfLinesArrivesWholeAndInOrder) {
  expectCleanExit(runScenario("burst", {profileEnv()}));
  const std::vector<std::string> lines = profileLines();
  ASSERT_EQ(lines.size(), 40000u);
  for (size_t i = 0; i < 20000; ++i) {
    const std::string name = "n" + std::to_string(i);
    ASSERT_EQ(lines[2 * i], "Started[" + name + "]");
    ASSERT_EQ(lines[2 * i + 1], "Elapsed[" + name + "]:N");
  }
}

TEST_F(ProfileProcess, LinesAreAppendedToAnExistingFile) {
  oryxtest::writeFile(m_dir.file("profile.log"), "earlier run\n");
  expectCleanExit(runScenario("nested", {profileEnv()}));
  EXPECT_EQ(profileText().rfind("earlier run\nStarted[outer]\n", 0), 0u);
}

TEST_F(ProfileProcess, UnopenableDestinationDropsLines) {
  expectCleanExit(runScenario("nested", {"OX_PROFILE_FILE=" + m_dir.file("missing/dir/profile.log")}));
}

// --- Switches read at load -----------------------------------------------

TEST_F(ProfileProcess, NoWriteStartSetEmptyDropsStartLinesButKeepsIndent) {
  expectCleanExit(runScenario("nested", {profileEnv(), "OX_PROFILE_NO_WRITE_START="}));
  EXPECT_EQ(profileText(),
            "  Elapsed[inner]:N\n"
            "Elapsed[outer]:N\n"
            "Timestamp[mark]:T\n");
}

TEST_F(ProfileProcess, NoWriteIndentLeavesEveryLineUnindented) {
  expectCleanExit(runScenario("nested", {profileEnv(), "OX_PROFILE_NO_WRITE_INDENT=0"}));
  EXPECT_EQ(profileText(),
            "Started[outer]\n"
            "Started[inner]\n"
            "Elapsed[inner]:N\n"
            "Elapsed[outer]:N\n"
            "Timestamp[mark]:T\n");
}

// --- Exiting --------------------------------------------------------------

TEST_F(ProfileProcess, ReturningWithTimersRunningFlushesAndExitsCleanly) {
  expectCleanExit(runScenario("running", {profileEnv()}));
  // The program's static scope guard ends during exit, before the library
  // unloads, so its line still arrives.
  EXPECT_EQ(profileText(),
            "Started[static scope]\n"
            "  Started[left running]\n"
            "    Started[also running]\n"
            "    Elapsed[static scope]:N\n");
}

TEST_F(ProfileProcess, TimersStartedAfterExitCallAreDroppedAndExitIsClean) {
  expectCleanExit(runScenario("exit-then-running", {profileEnv()}));
  EXPECT_EQ(profileText(), "Started[before exit]\n");
}

TEST_F(ProfileProcess, ExitsCleanlyWithoutDestination) {
  expectCleanExit(runScenario("running", {}));
  expectCleanExit(runScenario("threads", {}));
}

TEST_F(ProfileProcess, ThreadsOnOwnNamesKeepTheirOrderAndWholeLines) {
  expectCleanExit(runScenario("threads", {profileEnv()}));
  const std::vector<std::string> lines = profileLines();
  ASSERT_EQ(lines.size(), 4u * 2000u * 2u);
  std::vector<int> next(4, 0);
  std::vector<bool> started(4, false);
  for (const std::string& line : lines) {
    const std::string text = line.substr(line.find_first_not_of(' '));
    int thread = -1, index = -1, used = 0;
    const bool isStart = text.rfind("Started[", 0) == 0;
    ASSERT_TRUE(isStart || text.rfind("Elapsed[", 0) == 0) << line;
    ASSERT_EQ(std::sscanf(text.c_str() + 8, "t%d-%d]%n", &thread, &index, &used), 2) << line;
    ASSERT_TRUE(thread >= 0 && thread < 4) << line;
    ASSERT_STREQ(text.c_str() + 8 + used, isStart ? "" : ":N") << line;
    ASSERT_EQ(index, next[thread]) << line;
    ASSERT_EQ(isStart, !started[thread]) << line;
    started[thread] = isStart;
    if (!isStart) ++next[thread];
  }
}

TEST_F(ProfileProcess, ValgrindFindsNothingAtExit) {
  if (std::string(ORYX_VALGRIND).empty()) GTEST_SKIP() << "valgrind missing or sanitized build";
  for (const char* scenario : {"running", "exit-then-running", "nested"}) {
    SCOPED_TRACE(scenario);
    expectCleanExit(runChild({ORYX_VALGRIND, "--quiet", "--leak-check=full",
                              "--errors-for-leak-kinds=definite,indirect,possible", "--error-exitcode=99",
                              ORYX_PROFILE_CHILD, scenario},
                             {profileEnv()}));
  }
}

}  // namespace
