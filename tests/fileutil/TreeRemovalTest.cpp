#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

using namespace oryxtest;

TEST(TreeRemoval, RemovesTheTreeNeverFollowsALinkOutAndRefusesFilesAndLinks) {
  TempDir dir;
  ::mkdir(dir.file("outside").c_str(), 0755);
  writeFile(dir.file("outside/keep"), "x");
  ::mkdir(dir.file("t").c_str(), 0755);
  ::mkdir(dir.file("t/a").c_str(), 0755);
  writeFile(dir.file("t/a/f"), "x");
  ::symlink(dir.file("outside").c_str(), dir.file("t/a/link").c_str());
  ::symlink(dir.file("outside").c_str(), dir.file("link").c_str());
  EXPECT_EQ(oRYXFileUtil::delDir(dir.file("outside/keep").c_str(), "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::delDir((dir.file("link") + "/").c_str(), "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::delDir(nullptr, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::delDir((dir.path() + "\\t\\").c_str(), "UTF-8"), 0);
  EXPECT_FALSE(exists(dir.file("t")));
  EXPECT_TRUE(exists(dir.file("outside/keep")));
}
