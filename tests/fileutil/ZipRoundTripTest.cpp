// Real 7za runs: "7za l" lists what the operations say they pack.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace oryxtest;
using Names = std::vector<std::string>;

namespace {

// The stored names, in the order of "7za l -slt" (its header names the archive).
Names storedNames(const std::string& archive) {
  Names names;
  FILE* listing = ::popen(("7za l -slt '" + archive + "'").c_str(), "r");
  char line[4096];
  for (bool entries = false; listing && std::fgets(line, sizeof(line), listing);) {
    const std::string text(line);
    entries = entries || text.rfind("----------", 0) == 0;
    if (entries && text.rfind("Path = ", 0) == 0) names.push_back(text.substr(7, text.size() - 8));
  }
  if (listing) ::pclose(listing);
  return names;
}

}  // namespace

TEST(ZipRoundTrip, DirectoryAndFileArchivesHoldWhatWasPacked) {
  TempDir dir;
  TempDir root;
  EnvGuard rootVariable("ORYX_ROOT", root.path().c_str());
  ::mkdir(dir.file("data").c_str(), 0755);
  writeFile(dir.file("data/a.txt"), "alpha");
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "data\\", "", true, "UTF-8"), 0);
  EXPECT_FALSE(exists(dir.file("data")));
  EXPECT_EQ(storedNames(dir.file("data.zip")), (Names{"data", "data/a.txt"}));

  for (const char* name : {"x.log", "keep.txt"}) writeFile(dir.file(name), name);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "", 0, "UTF-8"), 0);
  EXPECT_EQ(storedNames(dir.file("x.zip")), (Names{"x.log"}));
  EXPECT_FALSE(exists(dir.file("x.log")));
  EXPECT_TRUE(exists(dir.file("keep.txt")));
}
