// SPDX-License-Identifier: Apache-2.0
// ORYX_OS: product paths and encodings at the file-system calls, and
// Windows-style command lines run without a shell.
#include "oryxutil/companion/OS.h"

#include "support/Spawn.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

using namespace oryxtest;

namespace {

const char kGbkZhongWen[] = "\xD6\xD0\xCE\xC4";           // 中文 in GBK
const char kUtf8ZhongWen[] = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8

}  // namespace

TEST(OsEncodings, GbkNamesReachAndListTheUtf8NamedFile) {
  TempDir dir;
  writeFile(dir.file(kUtf8ZhongWen), "x");
  EXPECT_EQ(ORYX_OS::access((dir.path() + "/" + kGbkZhongWen).c_str(), 0, "GBK"), 0);
  // The same bytes taken as UTF-8 name another, missing file.
  EXPECT_NE(ORYX_OS::access((dir.path() + "/" + kGbkZhongWen).c_str(), 0, "UTF-8"), 0);
  ACE_DIR* handle = ORYX_OS::opendir(dir.path().c_str(), "GBK");
  ASSERT_NE(handle, nullptr);
  std::set<std::string> names;
  ACE_DIRENT entry;
  ACE_DIRENT* result = nullptr;
  while (ORYX_OS::readdir_r(handle, &entry, &result, "GBK") == 0 && result != nullptr)
    names.insert(result->d_name);
  ORYX_OS::closedir(handle);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", kGbkZhongWen}));
}

TEST(OsEncodings, UnknownEncodingFailsWithEinvalAndNullPathsFailCleanly) {
  errno = 0;
  EXPECT_EQ(ORYX_OS::access("/", 0, "NO-SUCH-ENCODING"), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(ORYX_OS::access(nullptr, 0, "UTF-8"), -1);
}

TEST(SystemCommandLine, QuotesGroupRedirectionsDropAndBackslashesBecomeSlashes) {
  FakeProgram rec("rec");
  EXPECT_EQ(ORYX_OS::system("rec \"a b\"  c\\d \">nul\" x\"y z\" >nul 2>&1", "UTF-8"), 0);
  EXPECT_EQ(rec.runs(),
            (std::vector<std::vector<std::string>>{{workingDirectory(), "a b", "c/d", ">nul", "xy z"}}));
}

TEST(SystemCommandLine, OutputIsDiscardedOnlyWhenRedirectedToNul) {
  FakeProgram say("say", "echo \"$1\"; echo err-\"$1\" >&2");
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  for (const char* line : {"say visible 2>nul", "say hidden >nul", "say both 2>&1"})
    ORYX_OS::system(line, "UTF-8");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "visible\nboth\nerr-both\n");
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
  EXPECT_EQ(::symlink(dir.file("c.txt").c_str(), dir.file("link.log").c_str()), 0);
  EXPECT_EQ(
      ORYX_OS::system(("del /Q " + dir.path() + "\\*.log \"" + dir.file("c.txt") + "\"").c_str(), "UTF-8"),
      0);
  for (const char* gone : {"a.log", "c.txt", "d e.log"}) EXPECT_FALSE(exists(dir.file(gone))) << gone;
  EXPECT_TRUE(exists(dir.file("sub.log")) && exists(dir.file("link.log")));
  EXPECT_NE(ORYX_OS::system(("del /Q " + dir.file("missing")).c_str(), "UTF-8"), 0);

  EXPECT_EQ(ORYX_OS::system(("move \"" + dir.path() + "\\z.zip\"  " + dir.file("sub.log")).c_str(), "UTF-8"),
            0);
  EXPECT_EQ(readFile(dir.file("sub.log/z.zip")), "z.zip");
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);  // to another file system: refused, not waited on
  EXPECT_NE(ORYX_OS::system(("move " + dir.file("pipe") + " /dev/shm").c_str(), "UTF-8"), 0);
  EXPECT_TRUE(exists(dir.file("pipe")));
}
