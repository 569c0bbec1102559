// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/companion/OS.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

using oryxtest::TempDir;

namespace {

const char kGbkZhongWen[] = "\xD6\xD0\xCE\xC4";            // 中文 in GBK
const char kUtf8ZhongWen[] = "\xE4\xB8\xAD\xE6\x96\x87";    // 中文 in UTF-8

extern "C" int byName(const ACE_DIRENT** a, const ACE_DIRENT** b) {
  return std::strcmp((*a)->d_name, (*b)->d_name);
}
extern "C" int onlyLogs(const ACE_DIRENT* e) { return std::strstr(e->d_name, ".log") != nullptr; }

}  // namespace

TEST(OsPaths, BackslashIsASeparator) {
  TempDir dir;
  const std::string windowsStyle = dir.path() + "\\sub";
  ASSERT_EQ(ORYX_OS::mkdir(windowsStyle.c_str(), 0755, "UTF-8"), 0);
  oryxtest::writeFile(dir.file("sub/f.txt"), "x");
  struct ::stat st;
  EXPECT_EQ(ORYX_OS::stat((dir.path() + "\\sub\\f.txt").c_str(), &st, "UTF-8"), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(ORYX_OS::unlink((dir.path() + "\\sub\\f.txt").c_str(), "UTF-8"), 0);
}

TEST(OsEncodings, GbkNamesReachAndListTheUtf8NamedFile) {
  TempDir dir;
  oryxtest::writeFile(dir.file(kUtf8ZhongWen), "x");
  EXPECT_EQ(ORYX_OS::access((dir.path() + "/" + kGbkZhongWen).c_str(), 0, "GBK"), 0);
  // The same bytes taken as UTF-8 name another, missing file.
  EXPECT_NE(ORYX_OS::access((dir.path() + "/" + kGbkZhongWen).c_str(), 0, "UTF-8"), 0);
  ACE_DIR* handle = ORYX_OS::opendir(dir.path().c_str(), "GBK");
  ASSERT_NE(handle, nullptr);
  std::set<std::string> names;
  ACE_DIRENT entry;
  ACE_DIRENT* result = nullptr;
  while (ORYX_OS::readdir_r(handle, &entry, &result, "GBK") == 0 && result != nullptr) names.insert(result->d_name);
  ORYX_OS::closedir(handle);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", kGbkZhongWen}));
}

TEST(OsEncodings, UnknownEncodingFailsWithEinvalAndNullPathsFailCleanly) {
  errno = 0;
  EXPECT_EQ(ORYX_OS::access("/", 0, "NO-SUCH-ENCODING"), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(ORYX_OS::opendir("/", "NO-SUCH-ENCODING"), nullptr);
  EXPECT_EQ(ORYX_OS::access(nullptr, 0, "UTF-8"), -1);
  EXPECT_EQ(ORYX_OS::opendir(nullptr, "UTF-8"), nullptr);
}

TEST(OsDirectories, ScandirSelectsAndSortsWithTheCallersFunctions) {
  TempDir dir;
  for (const char* name : {"c.log", "a.log", "b.txt", "B.log"}) oryxtest::writeFile(dir.file(name), "");
  ACE_DIRENT** list = nullptr;
  const int count = ORYX_OS::scandir(dir.path().c_str(), &list, onlyLogs, byName, "UTF-8");
  ASSERT_EQ(count, 3);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(list[i]->d_name);
  for (int i = 0; i < count; ++i) std::free(list[i]);
  std::free(list);
  EXPECT_EQ(names, (std::vector<std::string>{"B.log", "a.log", "c.log"}));
  EXPECT_LT(ORYX_OS::scandir("/no/such/dir", &list, nullptr, nullptr, "UTF-8"), 0);
}

