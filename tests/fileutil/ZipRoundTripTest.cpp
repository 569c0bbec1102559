// Real 7za runs: the archives hold what the operations say they pack, an
// existing archive is never added to, and names read from a directory stay
// names.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Archives.h"
#include "fileutil/Files.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

using namespace oryxtest;
using Names = std::vector<std::string>;

namespace {

class ZipRoundTrip : public testing::Test {
 protected:
  void SetUp() override {
    if (!haveSevenZip()) GTEST_SKIP() << "7za is not on PATH (Debian package p7zip-full); the real archiver is needed";
  }
  TempDir dir;
  TempDir root;
  EnvGuard rootVariable{"ORYX_ROOT", root.path().c_str()};
};

}  // namespace

// A packed directory's real archive is pinned below and in ZipNamesTest.
TEST_F(ZipRoundTrip, AWildcardPacksOnlyTheMatchingFilesAndDeletesThem) {
  for (const char* name : {"x.log", "keep.txt"}) writeFile(dir.file(name), name);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "", 0, "UTF-8"), 0);
  EXPECT_EQ(zipEntryNames(dir.file("x.zip")), (Names{"x.log"}));
  EXPECT_FALSE(exists(dir.file("x.log")));
  EXPECT_TRUE(exists(dir.file("keep.txt")));
}

TEST_F(ZipRoundTrip, ASecondPackToAnExistingArchiveNameFailsAndKeepsTheFirstAndTheFiles) {
  ::mkdir(dir.file("data").c_str(), 0755);
  writeFile(dir.file("data/a.txt"), "first");
  ASSERT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "data", "", true, "UTF-8"), 0);
  ::mkdir(dir.file("data").c_str(), 0755);
  writeFile(dir.file("data/b.txt"), "second");
  writeFile(dir.file("x.log"), "first");
  ASSERT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "x.log", "", 0, "UTF-8"), 0);
  writeFile(dir.file("x.log"), "second");
  const auto before = snapshot(dir.path());
  const auto stagingBefore = snapshot(root.path());

  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "data", "", true, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "x.log", "", 0, "UTF-8"), -1);
  EXPECT_EQ(snapshot(dir.path()), before);
  EXPECT_EQ(snapshot(root.path()), stagingBefore);
  EXPECT_EQ(zipEntryNames(dir.file("data.zip")), (Names{"data", "data/a.txt"}));
  EXPECT_EQ(zipEntryNames(dir.file("x.zip")), (Names{"x.log"}));
}

TEST_F(ZipRoundTrip, SubdirectoriesNamedWithBackslashesArePackedAndRemovedInPlace) {
  // From base/top/tree the subdirectory "..\victim", read as a path, would be
  // base/top/victim; "..\..\x" would be base/x.
  TempDir base;
  makeEntries(base, {"x/", "x/secret", "top/", "top/victim/", "top/victim/secret", "top/tree/", "top/tree/..\\victim/",
                     "top/tree/..\\victim/inner", "top/tree/..\\..\\x/", "top/tree/..\\..\\x/inner"});
  const auto outside = without(snapshot(base.path()), {"top/tree"});
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(base.file("top/tree").c_str(), true, "UTF-8"), 0);
  EXPECT_EQ(without(snapshot(base.path()), {"top/tree"}), outside);
  EXPECT_EQ(snapshot(base.file("top/tree")).size(), 2u);  // the two archives only
  EXPECT_EQ(zipEntryNames(base.file("top/tree/..\\victim.zip")), (Names{"..\\victim", "..\\victim/inner"}));
  EXPECT_EQ(zipEntryNames(base.file("top/tree/..\\..\\x.zip")), (Names{"..\\..\\x", "..\\..\\x/inner"}));
}
