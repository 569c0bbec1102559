// The archiver command lines, checked with a fake 7za first on PATH that
// records its working directory and arguments and creates the archive.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"
#include "support/FakeProgram.h"

#include <gtest/gtest.h>

using namespace oryxtest;
using Command = std::vector<std::string>;

namespace {

struct ZipFixture : testing::Test {
  TempDir dir;
  TempDir root;
  FakeProgram sevenZip{"7za",
                       "[ \"$1\" = a ] && mkdir -p \"$(dirname \"$2\")\" && : > \"$2\"\n"
                       "[ -f \"$FAKE_DIR/remove-input\" ] && rm -rf \"$3\""};
  EnvGuard rootVariable{"ORYX_ROOT", root.path().c_str()};
  const std::string startDir = sevenZip.startDir();

  std::string staged(const std::string& name) const { return root.path() + "/var/tmp/" + name + ".zip"; }
  int zipFiles(const char* files, int option = 0) {
    return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), files, "", option, "UTF-8");
  }
  void TearDown() override { EXPECT_EQ(sevenZip.startDir(), startDir); }
};

using ZipFiles = ZipFixture;
using ZipDirectories = ZipFixture;

}  // namespace

TEST_F(ZipFiles, PackedFilesGoAndTheArchiveIsNamedAfterTheGreatestMatchOrTheOldestEntry) {
  for (const char* name : {"a.log", "b.log"}) writeFile(dir.file(name), "x");
  makeFile(dir.file("old.1.txt"), 1000);
  EXPECT_EQ(zipFiles("a.log;b.log"), 0);
  EXPECT_FALSE(exists(dir.file("a.log")) || exists(dir.file("b.log")));
  EXPECT_TRUE(exists(dir.file("b.zip")));
  EXPECT_EQ(zipFiles("*.*", 777), 0);
  EXPECT_EQ(sevenZip.runs(), (std::vector<Command>{{dir.path(), "a", staged("b"), "a.log", "b.log"},
                                                   {dir.path(), "a", staged("old"), "*.*"}}));
}

TEST_F(ZipFiles, RejectedArgumentsAndFailuresKeepTheFiles) {
  writeFile(dir.file("x.log"), "x");
  for (int option : {778, -1}) EXPECT_EQ(zipFiles("x.log", option), -1);
  for (const char* files : {".log", ";x.log", "a b;c", "*.none", ""}) EXPECT_EQ(zipFiles(files), -1) << files;
  EXPECT_EQ(oRYXFileUtil::runZipCmd(std::string(2100, 'n').c_str(), "z", 0, "UTF-8"), -1);
  {
    EnvGuard unset("ORYX_ROOT", nullptr);
    EXPECT_EQ(zipFiles("x.log"), -1);
  }
  EXPECT_TRUE(sevenZip.runs().empty());
  sevenZip.exitWith(2);
  EXPECT_EQ(zipFiles("x.log"), -1);
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
  for (size_t i = 0; i + 1 < names.size(); ++i) EXPECT_EQ(runs[i].back(), names[i]);
  EXPECT_EQ(runs.back().size(), 4u);  // a stray quote only groups the rest of the line
  for (const char* trap : {"pwned1", "pwned2", "pwned3", "pwned4", "pwned5"}) {
    EXPECT_FALSE(exists(dir.file(trap)) || exists(startDir + "/" + trap)) << trap;
  }
}

TEST_F(ZipDirectories, ArchiveIsNamedAfterTheSubdirectoryAndAllSubdirectoriesMeansNoFiles) {
  for (const char* sub : {"logs", "my dir"}) ::mkdir(dir.file(sub).c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "logs\\", "", false, "UTF-8"), 0);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir((dir.path() + "\\").c_str(), "my dir", "packed", true, "UTF-8"), 0);
  EXPECT_EQ(sevenZip.runs(), (std::vector<Command>{{dir.path(), "a", "logs.zip", "logs"},
                                                   {dir.path(), "a", "packed.zip", "my dir"}}));
  EXPECT_TRUE(exists(dir.file("logs")));
  EXPECT_FALSE(exists(dir.file("my dir")));
  writeFile(dir.file("only.txt"), "x");
  ::mkdir(dir.file("two").c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), 0);
  EXPECT_EQ(sevenZip.runs().size(), 4u);  // logs and two; the file and the archives are left alone
  EXPECT_TRUE(exists(dir.file("two.zip")));
  EXPECT_FALSE(exists(dir.file("logs")) || exists(dir.file("two")));
}

TEST_F(ZipDirectories, FailuresAreMinusOneAndAFailedRemovalMinusTwo) {
  ::mkdir(dir.file("sub").c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "missing", "", false, "UTF-8"), -1);
  sevenZip.exitWith(1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "", true, "UTF-8"), -1);
  EXPECT_TRUE(exists(dir.file("sub")));
  sevenZip.exitWith(0);
  writeFile(sevenZip.dir() + "/remove-input", "");  // the directory vanishes before its removal
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "", true, "UTF-8"), -2);
}
