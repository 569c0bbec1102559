// SPDX-License-Identifier: Apache-2.0
// ORYX_OS::system: Windows-style lines run without a shell.
#include "oryxutil/companion/OS.h"

#include "support/Spawn.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace oryxtest;
using Words = std::vector<std::string>;

static bool exists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::symlink_status(path));
}

TEST(SystemCommandLine, QuotesGroupRedirectionsDropAndBackslashesBecomeSlashes) {
  FakeProgram rec("rec");
  EXPECT_EQ(ORYX_OS::system("rec \"a b\"  c\\d \">nul\" x\"y z\" >nul 2>&1", "UTF-8"), 0);
  EXPECT_EQ(rec.runs(), (std::vector<Words>{{workingDirectory(), "a b", "c/d", ">nul", "xy z"}}));
}

TEST(SystemCommandLine, OutputIsDiscardedOnlyWhenRedirectedToNul) {
  TempDir dir;
  FakeProgram say("say", "echo \"$1\"; echo err-\"$1\" >&2");
  std::fflush(stdout);
  const int saved = ::dup(1);
  const int file = ::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(file, 1);
  ::close(file);
  for (const char* line : {"say visible 2>nul", "say hidden >nul", "say both 2>&1"}) ORYX_OS::system(line, "UTF-8");
  ::dup2(saved, 1);
  ::close(saved);
  EXPECT_EQ(readFile(dir.file("out")), "visible\nboth\nerr-both\n");
}

TEST(SystemResults, ExitStatusMissingProgramAndEmptyLine) {
  FakeProgram rec("rec");
  rec.exitWith(3);
  EXPECT_EQ(ORYX_OS::system("rec", "UTF-8"), 3);
  EXPECT_EQ(ORYX_OS::system("no-such-program-oryx", "UTF-8"), 127);
  EXPECT_EQ(ORYX_OS::system("   ", "UTF-8"), -1);
  EXPECT_EQ(ORYX_OS::system(nullptr, "UTF-8"), -1);
}

TEST(SystemBuiltins, DelRemovesMatchingRegularFilesOnlyAndMoveRenames) {
  TempDir dir;
  for (const char* name : {"a.log", "c.txt", "d e.log", "z.zip"}) writeFile(dir.file(name), name);
  ::mkdir(dir.file("sub.log").c_str(), 0755);
  ::symlink(dir.file("c.txt").c_str(), dir.file("link.log").c_str());
  EXPECT_EQ(ORYX_OS::system(("del /Q " + dir.path() + "\\*.log \"" + dir.file("c.txt") + "\"").c_str(), "UTF-8"), 0);
  for (const char* gone : {"a.log", "c.txt", "d e.log"}) EXPECT_FALSE(exists(dir.file(gone))) << gone;
  EXPECT_TRUE(exists(dir.file("sub.log")) && exists(dir.file("link.log")));
  EXPECT_NE(ORYX_OS::system(("del /Q " + dir.file("missing")).c_str(), "UTF-8"), 0);

  EXPECT_EQ(ORYX_OS::system(("move \"" + dir.path() + "\\z.zip\"  " + dir.file("sub.log")).c_str(), "UTF-8"), 0);
  EXPECT_EQ(readFile(dir.file("sub.log/z.zip")), "z.zip");
}
