// SPDX-License-Identifier: Apache-2.0
// Faults from outside: an archiver that fails or warns, no archiver on
// PATH, a staging directory that cannot be written, a directory
// that disappears while it is listed. Results as documented, no partial
// archive left, files intact, working directory unchanged, no crash.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Archives.h"
#include "fileutil/Files.h"
#include "support/EnvGuard.h"
#include "support/Spawn.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace oryxtest;

namespace {

// A directory with a subdirectory and a log file to pack, and an ORYX_ROOT
// whose staging directory holds an unrelated file with the same prefix.
struct FaultLayout {
  TempDir dir;
  TempDir root;
  EnvGuard rootVariable{"ORYX_ROOT", root.path().c_str()};
  std::string staging = root.path() + "/var/tmp";
  FaultLayout() {
    ::mkdir(dir.file("data").c_str(), 0755);
    writeFile(dir.file("data/a.txt"), "alpha");
    writeFile(dir.file("x.log"), "x");
    ::mkdir((root.path() + "/var").c_str(), 0755);
    ::mkdir(staging.c_str(), 0755);
    writeFile(staging + "/x.zip.other", "not ours");
  }
  // Every operation fails with -1 and leaves everything as it was.
  void expectEveryPackFailsAndNothingChanges() const {
    const auto dirBefore = snapshot(dir.path());
    const auto rootBefore = snapshot(root.path());
    const std::string startDir = workingDirectory();
    EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "x.log", "", 0, "UTF-8"), -1);
    EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "data", "", true, "UTF-8"), -1);
    EXPECT_EQ(oRYXFileUtil::zipAllSubDir(dir.path().c_str(), true, "UTF-8"), -1);
    EXPECT_EQ(snapshot(dir.path()), dirBefore);
    EXPECT_EQ(snapshot(root.path()), rootBefore);
    EXPECT_EQ(workingDirectory(), startDir);
  }
};

}  // namespace

TEST(ArchiverFaults, FailingOrWarningArchiverLeavesNoPartialArchive) {
  // The fake writes part of the archive and a temporary file beside it,
  // then exits with a warning (1), a fatal error (2) or a command-line error (7).
  for (int status : {1, 2, 7}) {
    FaultLayout layout;
    FakeProgram sevenZip("7za",
                         "while [ \"$1\" != -- ]; do shift; done; shift\n"
                         "mkdir -p \"$(dirname \"$1\")\"; printf partial > \"$1\"; printf t > \"$1.tmp\"");
    sevenZip.exitWith(status);
    SCOPED_TRACE(status);
    layout.expectEveryPackFailsAndNothingChanges();
    EXPECT_EQ(sevenZip.runs().size(), 3u);
  }
}

TEST(ArchiverFaults, StagingDirectoryThatCannotBeWrittenFailsWithNothingLeft) {
  if (!haveSevenZip()) GTEST_SKIP() << "7za is not on PATH (Debian package p7zip-full)";
  FaultLayout layout;
  TempDir root;
  writeFile(root.file("var"), "a file where the staging directory's parent should be");
  EnvGuard rootVariable("ORYX_ROOT", root.path().c_str());
  const auto before = snapshot(layout.dir.path());
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(layout.dir.path().c_str(), "x.log", "", 0, "UTF-8"), -1);
  EXPECT_EQ(snapshot(layout.dir.path()), before);
  EXPECT_EQ(readFile(root.file("var")), "a file where the staging directory's parent should be");
}

TEST(ArchiverFaults, MissingArchiverFailsAndKeepsFilesAndWorkingDirectory) {
  FaultLayout layout;
  TempDir emptyBin;
  EnvGuard path("PATH", emptyBin.path().c_str());
  layout.expectEveryPackFailsAndNothingChanges();
}

TEST(ListingFaults, DirectoryRemovedWhileListedNeverCrashes) {
  TempDir dir;
  const std::string target = dir.file("victim");
  std::atomic<bool> done{false};
  // One thread keeps filling and removing the directory; this one lists it.
  std::thread remover([&] {
    while (!done.load()) {
      ::mkdir(target.c_str(), 0755);
      for (int i = 0; i < 50; ++i) writeFile(target + "/f" + std::to_string(i) + ".zip", "z");
      for (int i = 0; i < 50; ++i) ::unlink((target + "/f" + std::to_string(i) + ".zip").c_str());
      ::rmdir(target.c_str());
    }
  });
  int listed = 0;
  for (int round = 0; round < 300; ++round) {
    for (ORDER order : {ORDER_NONE, ORDER_BY_TIME, ORDER_BY_NAME}) {
      std::list<FILEINFO> files;
      testing::internal::CaptureStdout();  // the time sort prints a line per vanished entry
      const int result = oRYXFileUtil::getFileList(target.c_str(), files, order, 1000, "UTF-8");
      testing::internal::GetCapturedStdout();
      EXPECT_TRUE(result == 0 || result == -1) << result;
      listed += result == 0;
      EXPECT_LE(files.size(), 50u);
    }
  }
  done.store(true);
  remover.join();
  EXPECT_GT(listed, 0);
}

TEST(ArchiverFaults, AStalledArchiverIsStoppedAfterTheTimeLimit) {
  FaultLayout layout;
  FakeProgram sevenZip("7za", "exec sleep 600");
  EnvGuard limit("ORYX_ZIP_TIMEOUT_S", "1");
  const auto start = std::chrono::steady_clock::now();
  layout.expectEveryPackFailsAndNothingChanges();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}
