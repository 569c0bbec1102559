// Faults from outside: no archiver on PATH, a directory that disappears
// while it is listed. Results as documented, files intact, working
// directory unchanged, no crash.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"
#include "support/EnvGuard.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <thread>

using namespace oryxtest;

TEST(ArchiverFaults, MissingArchiverFailsAndKeepsFilesAndWorkingDirectory) {
  TempDir dir;
  TempDir root;
  TempDir emptyBin;
  EnvGuard rootVariable("ORYX_ROOT", root.path().c_str());
  EnvGuard path("PATH", emptyBin.path().c_str());
  ::mkdir(dir.file("data").c_str(), 0755);
  writeFile(dir.file("data/a.txt"), "alpha");
  writeFile(dir.file("x.log"), "x");
  char before[4096];
  ASSERT_NE(::getcwd(before, sizeof(before)), nullptr);

  EXPECT_EQ(oRYXFileUtil::zipSpecificDir(dir.path().c_str(), "data", "", true, "UTF-8"), -1);
  EXPECT_EQ(oRYXFileUtil::zipSpecificFile(dir.path().c_str(), "*.log", "", 0, "UTF-8"), -1);
  EXPECT_TRUE(exists(dir.file("data/a.txt")));
  EXPECT_TRUE(exists(dir.file("x.log")));
  char after[4096];
  ASSERT_NE(::getcwd(after, sizeof(after)), nullptr);
  EXPECT_STREQ(after, before);
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
