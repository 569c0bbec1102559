// The archiver's argument words, checked with a fake 7za first on PATH that
// records its working directory and arguments and creates the archive (the
// word after "--"). The real 7za's reading of those words is pinned in
// ZipNamesTest.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Archives.h"
#include "fileutil/Files.h"
#include "support/Spawn.h"

#include <gtest/gtest.h>

using namespace oryxtest;
using Words = std::vector<std::string>;

namespace {

// $1.. after "--": the archive, then the names.
const char* const kFakeArchiver =
    "while [ $# -gt 0 ] && [ \"$1\" != -- ]; do shift; done; shift\n"
    "mkdir -p \"$(dirname \"$1\")\" && printf packed > \"$1\"\n"
    "[ -f \"$FAKE_DIR/remove-input\" ] && rm -rf \"$2\"\n"
    "[ -f \"$FAKE_DIR/squat\" ] && printf squatter > x.zip\n"
    "true";

struct ZipFixture : testing::Test {
  TempDir dir;
  TempDir root;
  FakeProgram sevenZip{"7za", kFakeArchiver};
  EnvGuard rootVariable{"ORYX_ROOT", root.path().c_str()};
  const std::string startDir = workingDirectory();

  std::string staged(const std::string& name) const { return root.path() + "/var/tmp/" + name + ".zip"; }
  // One run of the fake: working directory, switches, "--", archive, names.
  Words fileRun(const std::string& archive, const Words& names) const {
    Words run = {dir.path(), "a", "-tzip", "-y", "--", staged(archive)};
    run.insert(run.end(), names.begin(), names.end());
    return run;
  }
  Words dirRun(const std::string& archive, const std::string& sub) const {
    return {dir.path(), "a", "-tzip", "-y", "-spd", "--", archive, sub};
  }
  int zipFiles(const char* files, int option = 0, const char* zipName = "") {
    return oRYXFileUtil::zipSpecificFile(dir.path().c_str(), files, zipName, option, "UTF-8");
  }
  void TearDown() override { EXPECT_EQ(workingDirectory(), startDir); }
};

using ZipFiles = ZipFixture;
using ZipDirectories = ZipFixture;

// Runs runZipCmd in `dir`, as zipSpecificFile would.
int runZipCmdIn(const std::string& dir, const char* text, const char* zipName) {
  const std::string saved = workingDirectory();
  if (::chdir(dir.c_str()) != 0) return -100;
  const int result = oRYXFileUtil::runZipCmd(text, zipName, 0, "UTF-8");
  return ::chdir(saved.c_str()) == 0 ? result : -100;
}

}  // namespace

TEST_F(ZipFiles, EveryListPieceIsOneWordAfterTheSwitchesAndTheArchiveNameFollowsTheFiles) {
  for (const char* name : {"a.log", "with blank.log", "-sdel"}) writeFile(dir.file(name), "x");
  makeFile(dir.file("old.1.txt"), 1000);
  EXPECT_EQ(zipFiles("a.log;with blank.log;-sdel"), 0);  // the greatest name holding ".log"
  for (const char* gone : {"a.log", "with blank.log", "-sdel"}) EXPECT_FALSE(exists(dir.file(gone))) << gone;
  EXPECT_EQ(readFile(dir.file("with blank.zip")), "packed");
  EXPECT_EQ(zipFiles("*.*", 777), 0);  // the oldest entry
  EXPECT_EQ(zipFiles("sub\\x.log;;", 0, "a\\named"), 0);  // caller paths: backslashes separate
  EXPECT_EQ(sevenZip.runs(), (std::vector<Words>{fileRun("with blank", {"a.log", "with blank.log", "-sdel"}),
                                                 fileRun("old", {"*.*"}), fileRun("a/named", {"sub/x.log"})}));
  EXPECT_TRUE(exists(dir.file("named.zip")));
  EXPECT_FALSE(exists(dir.file("old.1.txt")));  // "*.*" is a wildcard for del too
}

TEST_F(ZipFiles, CommandTextOfRunZipCmdIsSplitLikeACommandLine) {
  for (const char* name : {"a b.log", "c.log"}) writeFile(dir.file(name), "x");
  EXPECT_EQ(runZipCmdIn(dir.path(), "\"a b.log\"  c.log", "z"), 0);
  EXPECT_EQ(sevenZip.runs(), (std::vector<Words>{fileRun("z", {"a b.log", "c.log"})}));
  EXPECT_FALSE(exists(dir.file("a b.log")) || exists(dir.file("c.log")));
  EXPECT_TRUE(exists(dir.file("z.zip")));
  EXPECT_EQ(runZipCmdIn(dir.path(), "  ", "z2"), -1);  // no names: 7za would pack the whole directory
  EXPECT_EQ(sevenZip.runs().size(), 1u);
}

TEST_F(ZipFiles, RejectedArgumentsRunNothingAndKeepTheFiles) {
  writeFile(dir.file("x.log"), "x");
  for (int option : {778, -1}) EXPECT_EQ(zipFiles("x.log", option), -1);
  for (const char* files : {".log", ";x.log", "a b;c", "*.none", "", ";;"}) EXPECT_EQ(zipFiles(files), -1) << files;
  {
    EnvGuard unset("ORYX_ROOT", nullptr);
    EXPECT_EQ(zipFiles("x.log"), -1);
  }
  EXPECT_TRUE(sevenZip.runs().empty());
  EXPECT_TRUE(exists(dir.file("x.log")));
}

TEST_F(ZipFiles, AnArchiveAlreadyHereOrStagedIsNeverAddedToOrReplaced) {
  writeFile(dir.file("x.log"), "x");
  writeFile(dir.file("x.zip"), "first");
  EXPECT_EQ(zipFiles("x.log"), -1);
  ::unlink(dir.file("x.zip").c_str());
  ::symlink("/no/such/target", dir.file("x.zip").c_str());  // 7za would create the link's target
  EXPECT_EQ(zipFiles("x.log"), -1);
  ::unlink(dir.file("x.zip").c_str());
  ::mkdir((root.path() + "/var").c_str(), 0755);
  ::mkdir((root.path() + "/var/tmp").c_str(), 0755);
  writeFile(staged("x"), "only copy");  // left by an earlier run whose move failed
  EXPECT_EQ(zipFiles("x.log"), -1);
  EXPECT_TRUE(sevenZip.runs().empty());
  EXPECT_EQ(readFile(staged("x")), "only copy");
  EXPECT_TRUE(exists(dir.file("x.log")));
}

TEST_F(ZipFiles, AMoveThatWouldReplaceLeavesTheStagedArchiveAsTheOnlyCopy) {
  writeFile(dir.file("x.log"), "x");
  writeFile(sevenZip.dir() + "/squat", "");  // x.zip appears here while 7za runs
  EXPECT_EQ(zipFiles("x.log"), 0);
  EXPECT_FALSE(exists(dir.file("x.log")));
  EXPECT_EQ(readFile(dir.file("x.zip")), "squatter");
  EXPECT_EQ(readFile(staged("x")), "packed");
}

TEST_F(ZipDirectories, TheSubdirectoryIsOneLiteralWordAndTheArchiveIsNamedAfterIt) {
  for (const char* sub : {"logs", "my dir"}) ::mkdir(dir.file(sub).c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "logs\\", "", false, "UTF-8"), 0);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir((dir.path() + "\\").c_str(), "my dir", "packed", true, "UTF-8"), 0);
  EXPECT_EQ(sevenZip.runs(), (std::vector<Words>{dirRun("logs.zip", "logs"), dirRun("packed.zip", "my dir")}));
  EXPECT_TRUE(exists(dir.file("logs")));
  EXPECT_FALSE(exists(dir.file("my dir")));
  writeFile(dir.file("only.txt"), "x");
  ::mkdir(dir.file("two").c_str(), 0755);
  ::symlink(dir.file("two").c_str(), dir.file("link").c_str());  // not a subdirectory of its own
  ::unlink(dir.file("logs.zip").c_str());
  EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), 0);
  EXPECT_EQ(sevenZip.runs().size(), 4u);  // logs and two; the file, the link and the archives are left alone
  EXPECT_TRUE(exists(dir.file("two.zip")) && exists(dir.file("link")));
  EXPECT_FALSE(exists(dir.file("logs")) || exists(dir.file("two")));
}

TEST_F(ZipDirectories, FailuresAreMinusOneAnExistingArchiveTooAndAFailedRemovalMinusTwo) {
  ::mkdir(dir.file("sub").c_str(), 0755);
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "missing", "", false, "UTF-8"), -1);
  writeFile(dir.file("taken.zip"), "first");
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "taken", true, "UTF-8"), -1);
  EXPECT_TRUE(sevenZip.runs().empty());
  EXPECT_EQ(readFile(dir.file("taken.zip")), "first");
  EXPECT_TRUE(exists(dir.file("sub")));
  writeFile(sevenZip.dir() + "/remove-input", "");  // the directory vanishes before its removal
  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "sub", "", true, "UTF-8"), -2);
}
