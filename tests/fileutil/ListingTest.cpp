#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace oryxtest;
using Names = std::vector<std::string>;

namespace {

// Five files with distinct times (b newest ... d oldest) and one directory,
// the oldest entry of all.
struct ListingDir {
  TempDir dir;
  ListingDir() {
    const time_t base = 1600000000;
    const char* byAge[] = {"b.log", "e.log", "a.log", "c.log", "d.log"};
    for (int i = 0; i < 5; ++i) makeFile(dir.file(byAge[i]), base - 10 * i);
    ::mkdir(dir.file("sub").c_str(), 0755);
    setModified(dir.file("sub"), base - 100);
  }
  std::list<FILEINFO> list(ORDER order, int maxCount, const std::string& suffix = "") {
    std::list<FILEINFO> files;
    EXPECT_EQ(oRYXFileUtil::getFileList((dir.path() + suffix).c_str(), files, order, maxCount), 0);
    return files;
  }
};

}  // namespace

TEST(FileListOrders, TimeOrderIsNewestFirstAndMaxCountKeepsTheNewest) {
  ListingDir d;
  EXPECT_EQ(namesOf(d.list(ORDER_BY_TIME, 0)), (Names{"b.log", "e.log", "a.log", "c.log", "d.log", "sub"}));
  EXPECT_EQ(namesOf(d.list(ORDER_BY_TIME, 3)), (Names{"b.log", "e.log", "a.log"}));
}

TEST(FileListOrders, NameOrderIsByteOrderAndMaxCountKeepsTheSmallest) {
  ListingDir d;
  makeFile(d.dir.file("Z.log"), 1600000000);
  EXPECT_EQ(namesOf(d.list(ORDER_BY_NAME, 0)), (Names{"Z.log", "a.log", "b.log", "c.log", "d.log", "e.log", "sub"}));
  EXPECT_EQ(namesOf(d.list(ORDER_BY_NAME, 3)), (Names{"Z.log", "a.log", "b.log"}));
}

TEST(FileListOrders, UnsortedListsEverythingButDotsAndStopsAtMaxCount) {
  ListingDir d;
  Names all = namesOf(d.list(ORDER_NONE, 0));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (Names{"a.log", "b.log", "c.log", "d.log", "e.log", "sub"}));
  EXPECT_EQ(d.list(ORDER_NONE, 3).size(), 3u);
  EXPECT_EQ(d.list(static_cast<ORDER>(7), 0).size(), 6u);
}

TEST(FileListRecords, DirectoryFlagIsRightInEveryOrderAndFollowsLinks) {
  ListingDir d;
  ::symlink(d.dir.file("sub").c_str(), d.dir.file("link").c_str());
  for (ORDER order : {ORDER_NONE, ORDER_BY_TIME, ORDER_BY_NAME}) {
    for (const FILEINFO& info : d.list(order, 0)) {
      EXPECT_EQ(info.isDirectory, info.fileName == "sub" || info.fileName == "link") << info.fileName;
      EXPECT_EQ(info.reserved, 0);
    }
  }
}

TEST(FileListRecords, TrailingBackslashGivesTheSameRecords) {
  ListingDir d;
  const std::list<FILEINFO> plain = d.list(ORDER_BY_NAME, 0);
  const std::list<FILEINFO> slashed = d.list(ORDER_BY_NAME, 0, "\\");
  ASSERT_EQ(namesOf(plain), namesOf(slashed));
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), slashed.begin(),
                         [](const FILEINFO& a, const FILEINFO& b) { return a.isDirectory == b.isDirectory; }));
}

TEST(FileListRecords, AppendsBehindEarlierRecords) {
  ListingDir d;
  std::list<FILEINFO> files{FILEINFO{"earlier", false, 0}};
  oRYXFileUtil::getFileList(d.dir.path().c_str(), files, ORDER_BY_NAME, 2);
  oRYXFileUtil::getFileList(d.dir.path().c_str(), files, ORDER_BY_TIME, 1);
  EXPECT_EQ(namesOf(files), (Names{"earlier", "a.log", "b.log", "b.log"}));
}

TEST(FileListRecords, UnreadableEntryIsReportedAndSortsOldest) {
  ListingDir d;
  ::symlink("/no/such/target", d.dir.file("dangling").c_str());
  testing::internal::CaptureStdout();
  const std::list<FILEINFO> files = d.list(ORDER_BY_TIME, 0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(namesOf(files).back(), "dangling");
  EXPECT_FALSE(files.back().isDirectory);
  EXPECT_NE(out.find("file:dangling not exist!\n"), std::string::npos);
}

TEST(FileListFaults, BadArgumentsAndMissingDirectories) {
  ListingDir d;
  std::list<FILEINFO> files;
  EXPECT_EQ(oRYXFileUtil::getFileList(nullptr, files, ORDER_BY_NAME, 0), -1);
  EXPECT_EQ(oRYXFileUtil::getFileList("", files, ORDER_NONE, 0), -1);
  EXPECT_EQ(oRYXFileUtil::getFileList(d.dir.path().c_str(), files, ORDER_BY_TIME, -1), -1);
  EXPECT_EQ(oRYXFileUtil::getFileList("/no/such/dir", files, ORDER_NONE, 0), -1);
  // A sorted scan cannot tell a missing directory from an empty one.
  EXPECT_EQ(oRYXFileUtil::getFileList("/no/such/dir", files, ORDER_BY_TIME, 0), 0);
  EXPECT_TRUE(files.empty());
}

TEST(PathTests, SeparatorsDirectoriesAndZipNames) {
  ListingDir d;
  std::string out = "untouched";
  EXPECT_EQ(oRYXFileUtil::removeLastSeparator("", out), -1);
  EXPECT_EQ(out, "untouched");
  oRYXFileUtil::removeLastSeparator("a\\b\\\\", out);
  EXPECT_EQ(out, "a\\b\\");
  oRYXFileUtil::removeLastSeparator("a/b/", out);
  EXPECT_EQ(out, "a/b/");

  EXPECT_EQ(oRYXFileUtil::isDir(d.dir.path() + "\\sub\\"), 1);
  EXPECT_EQ(oRYXFileUtil::isDir(d.dir.file("a.log")), 2);
  EXPECT_EQ(oRYXFileUtil::isDir(d.dir.file("missing")), -1);
  EXPECT_EQ(oRYXFileUtil::isDir(""), -1);

  EXPECT_TRUE(oRYXFileUtil::isZipFile("x.zip"));
  EXPECT_TRUE(oRYXFileUtil::isZipFile("a.zip.zip"));
  for (const char* name : {"x.zip.1", "x.ZIP", "", "zip", "x.zipx"}) EXPECT_FALSE(oRYXFileUtil::isZipFile(name)) << name;
}
