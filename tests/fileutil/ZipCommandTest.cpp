// The archiver command lines, checked with a fake 7za first on PATH that
// records its working directory and arguments and creates the archive.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"
#include "support/FakeProgram.h"

#include <gtest/gtest.h>

using namespace oryxtest;
using Command = std::vector<std::string>;

namespace {

const char kFake7za[] =
    "if [ \"$1\" = a ]; then mkdir -p \"$(dirname \"$2\")\"; : > \"$2\"; fi\n"
    "if [ -f \"$FAKE_DIR/remove-input\" ]; then rm -rf \"$3\"; fi";

struct ZipFixture : testing::Test {
  TempDir dir;
  TempDir root;
  FakeProgram sevenZip{"7za", kFake7za};
  EnvGuard rootVariable{"ORYX_ROOT", root.path().c_str()};
  const std::string startDir = workingDirectory();

  std::string staged(const std::string& name) const { return root.path() + "/var/tmp/" + name + ".zip"; }
  void TearDown() override { EXPECT_EQ(workingDirectory(), startDir); }
};

using ZipFiles = ZipFixture;
using ZipDirectories = ZipFixture;

}  // namespace

TEST_F(ZipFiles, OneNameIsQuotedPackedDeletedAndTheArchiveMovedIn) {
  writeFile(dir.file("x.log"), "x");
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "x.log", "", 0, "UTF-8"), 0);
  ASSERT_EQ(sevenZip.runs().size(), 1u);
  EXPECT_EQ(sevenZip.runs()[0], (Command{dir.path(), "a", staged("x"), "x.log"}));
  EXPECT_FALSE(exists(dir.file("x.log")));
  EXPECT_TRUE(exists(dir.file("x.zip")));
  EXPECT_FALSE(exists(staged("x")));
}

TEST_F(ZipFiles, ListAndWildcardAreNamedAfterTheGreatestMatchingName) {
  for (const char* name : {"a.log", "b.log", "c.txt"}) writeFile(dir.file(name), "x");
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "a.log;b.log", "", 0, "UTF-8"), 0);
  writeFile(dir.file("d.log"), "x");
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "", 777, "UTF-8"), 0);
  ASSERT_EQ(sevenZip.runs().size(), 2u);
  EXPECT_EQ(sevenZip.runs()[0], (Command{dir.path(), "a", staged("b"), "a.log", "b.log"}));
  EXPECT_EQ(sevenZip.runs()[1], (Command{dir.path(), "a", staged("d"), "*.log"}));
  EXPECT_FALSE(exists(dir.file("d.log")));
  EXPECT_TRUE(exists(dir.file("c.txt")));
}

TEST_F(ZipFiles, StarDotStarIsNamedAfterTheOldestEntry) {
  makeFile(dir.file("new.1.log"), 2000);
  makeFile(dir.file("old.2.log"), 1000);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.*", "", 0, "UTF-8"), 0);
  ASSERT_EQ(sevenZip.runs().size(), 1u);
  EXPECT_EQ(sevenZip.runs()[0][2], staged("old"));
}

TEST_F(ZipFiles, RejectedArgumentsRunNothing) {
  writeFile(dir.file("x.log"), "x");
  const char* path = dir.path().c_str();
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, "x.log", "", 778, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, "x.log", "", -1, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, ".log", "", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, ";x.log", "", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, "a b;c", "", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, "*.none", "", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, "", "z", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, nullptr, "z", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.file("missing").c_str(), "x.log", "z", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::runZipCmd("  ", "z", 0, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::runZipCmd(std::string(2100, 'n').c_str(), "z", 0, "UTF-8"), -1);
  {
    EnvGuard unset("ORYX_ROOT", nullptr);
    EXPECT_EQ(oRYXFileUtil::zipSpecificFile(path, "x.log", "", 0, "UTF-8"), -1);
  }
  EXPECT_TRUE(sevenZip.runs().empty());
  EXPECT_TRUE(exists(dir.file("x.log")));
}

TEST_F(ZipFiles, FailingArchiverKeepsTheFiles) {
  writeFile(dir.file("x.log"), "x");
  sevenZip.exitWith(2);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "x.log", "named", 0, "UTF-8"), -1);
  EXPECT_EQ(sevenZip.runs().size(), 1u);
  EXPECT_TRUE(exists(dir.file("x.log")));
}

TEST_F(ZipFiles, ShellCharactersInNamesNeverRunAnything) {
  const std::vector<std::string> names = {"$(touch pwned1).log", "`touch pwned2`.log", "a&touch pwned3.log",
                                          "b|touch pwned4.log", "c>pwned5.log", "d\"e.log"};
  for (const std::string& name : names) {
    writeFile(dir.file(name), "x");
    EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), name.c_str(), "z", 0, "UTF-8"), 0) << name;
  }
  const auto runs = sevenZip.runs();
  ASSERT_EQ(runs.size(), names.size());
  for (size_t i = 0; i + 1 < names.size(); ++i) {
    EXPECT_EQ(runs[i].back(), names[i]);
    EXPECT_FALSE(exists(dir.file(names[i])));
  }
  // A stray quote only groups: the rest of the line becomes one argument.
  EXPECT_EQ(runs.back().size(), 4u);
  for (const char* trap : {"pwned1", "pwned2", "pwned3", "pwned4", "pwned5"}) {
    EXPECT_FALSE(exists(dir.file(trap))) << trap;
    EXPECT_FALSE(exists(startDir + "/" + trap)) << trap;
  }
}

TEST_F(ZipDirectories, EmptyArchiveNameUsesTheSubdirectoryWithoutItsBackslash) {
  ::mkdir(dir.file("logs").c_str(), 0755);
  ::mkdir(dir.file("my dir").c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "logs\\", "", false, "UTF-8"), 0);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir((dir.path() + "\\").c_str(), "my dir", "packed", true, "UTF-8"), 0);
  ASSERT_EQ(sevenZip.runs().size(), 2u);
  EXPECT_EQ(sevenZip.runs()[0], (Command{dir.path(), "a", "logs.zip", "logs"}));
  EXPECT_EQ(sevenZip.runs()[1], (Command{dir.path(), "a", "packed.zip", "my dir"}));
  EXPECT_TRUE(exists(dir.file("logs.zip")));
  EXPECT_TRUE(exists(dir.file("logs")));
  EXPECT_FALSE(exists(dir.file("my dir")));
}

TEST_F(ZipDirectories, FailuresAreMinusOneAndAFailedRemovalMinusTwo) {
  ::mkdir(dir.file("sub").c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "missing", "", false, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", nullptr, false, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "", "", false, "UTF-8"), -1);
  EXPECT_TRUE(sevenZip.runs().empty());
  sevenZip.exitWith(1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "", true, "UTF-8"), -1);
  EXPECT_TRUE(exists(dir.file("sub")));
  sevenZip.exitWith(0);
  writeFile(sevenZip.dir() + "/remove-input", "");  // the directory vanishes before its removal
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "", true, "UTF-8"), -2);
}

TEST_F(ZipDirectories, AllSubdirectoriesArePackedAndFilesIgnored) {
  writeFile(dir.file("only.txt"), "x");
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), 0);
  EXPECT_TRUE(sevenZip.runs().empty());
  ::mkdir(dir.file("one").c_str(), 0755);
  ::mkdir(dir.file("two").c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), 0);
  EXPECT_EQ(sevenZip.runs().size(), 2u);
  for (const char* name : {"one", "two"}) {
    EXPECT_TRUE(exists(dir.file(std::string(name) + ".zip")));
    EXPECT_FALSE(exists(dir.file(name)));
  }
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.file("missing").c_str(), false, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(nullptr, false, "UTF-8"), -1);
}
