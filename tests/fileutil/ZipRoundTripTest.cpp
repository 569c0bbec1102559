// Real 7za runs: the archives hold what the operations say they pack.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace oryxtest;

namespace {

// The names stored in `archive`, as "7za l -slt" reports them.
std::vector<std::string> storedNames(const std::string& archive) {
  std::vector<std::string> names;
  FILE* listing = ::popen(("7za l -slt '" + archive + "'").c_str(), "r");
  if (listing == nullptr) return names;
  char line[4096];
  bool entries = false;  // the header names the archive itself
  while (std::fgets(line, sizeof(line), listing)) {
    std::string text(line);
    if (text.rfind("----------", 0) == 0) entries = true;
    if (entries && text.rfind("Path = ", 0) == 0) names.push_back(text.substr(7, text.size() - 8));
  }
  ::pclose(listing);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(ZipRoundTrip, DirectoryArchiveHoldsTheTreeUnderItsRelativeName) {
  TempDir dir;
  ::mkdir(dir.file("data").c_str(), 0755);
  ::mkdir(dir.file("data/deep").c_str(), 0755);
  writeFile(dir.file("data/a.txt"), "alpha");
  writeFile(dir.file("data/deep/b.txt"), "beta");
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "data\\", "", true, "UTF-8"), 0);
  EXPECT_FALSE(exists(dir.file("data")));
  EXPECT_EQ(storedNames(dir.file("data.zip")),
            (std::vector<std::string>{"data", "data/a.txt", "data/deep", "data/deep/b.txt"}));
}

TEST(ZipRoundTrip, FileArchiveIsStagedUnderTheRootAndMovedBeside) {
  TempDir dir;
  TempDir root;
  EnvGuard rootVariable("ORYX_ROOT", root.path().c_str());
  for (const char* name : {"x.log", "y.log", "keep.txt"}) writeFile(dir.file(name), name);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "", 0, "UTF-8"), 0);
  EXPECT_EQ(storedNames(dir.file("y.zip")), (std::vector<std::string>{"x.log", "y.log"}));
  EXPECT_FALSE(exists(dir.file("x.log")));
  EXPECT_TRUE(exists(dir.file("keep.txt")));
  EXPECT_FALSE(exists(root.path() + "/var/tmp/y.zip"));
}
