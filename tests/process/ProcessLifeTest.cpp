// SPDX-License-Identifier: Apache-2.0
// The library at the edges of a process's life, each case in a fresh
// process (tests/process/child) bounded by a timeout: returning from main
// while threads list, profile and export; forking with a local-charset TXT
// document open and its writer thread busy.
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

#if ORYX_SANITIZED
const int kExitRuns = 30;  // each run is ten times slower under the sanitizers
#else
const int kExitRuns = 300;
#endif

::testing::AssertionResult run(const char* scenario, const oryxtest::TempDir& dir,
                               std::vector<std::string> env = {}) {
  env.push_back("OX_PROFILE_FILE=" + dir.file("profile.log"));
  // Every symbol bound at load: one that a thread first needs while the
  // dynamic linker finalizes the libraries at exit can fail to resolve
  // (exit 127), whatever this library does.
  env.push_back("LD_BIND_NOW=1");
  return oryxtest::exitsCleanly({ORYX_PROCESS_CHILD, scenario, dir.path()}, env, "OX_PROFILE_", 60);
}

TEST(ProcessExit, ReturningFromMainWhileEightThreadsListProfileAndExportEndsCleanly) {
  oryxtest::TempDir dir;
  for (int i = 0; i < kExitRuns; ++i) ASSERT_TRUE(run("exit-busy", dir)) << "run " << i;
}

TEST(ProcessFork, ChildrenCloseTheInheritedDocumentAtOnceAndTheParentKeepsEveryRecordOnce) {
  oryxtest::TempDir dir;
  // A forked child cannot see the parent's other threads, so LeakSanitizer
  // there counts what only they refer to (ACE's per-thread objects) as lost.
  ASSERT_TRUE(run("fork", dir, {"ASAN_OPTIONS=detect_leaks=0"}));
  const std::string text = oryxtest::readFile(dir.file("parent.txt"));
  int expected = 0;
  for (size_t at = text.find("record "); at != std::string::npos; at = text.find("record ", at + 1)) {
    ASSERT_EQ(std::to_string(expected) + " ", text.substr(at + 7, std::to_string(expected).size() + 1));
    ++expected;
  }
  EXPECT_EQ(60000, expected);
  // The profiler's lines: the parent's once each, the children's none.
  const std::string profile = oryxtest::readFile(dir.file("profile.log"));
  EXPECT_EQ(std::string::npos, profile.find("child"));
  for (int f = 0; f < 12; ++f) {
    const std::string line = "Timestamp[parent " + std::to_string(f) + "]";
    EXPECT_EQ(profile.find(line), profile.rfind(line)) << line;
    EXPECT_NE(std::string::npos, profile.find(line)) << line;
  }
}

}  // namespace
