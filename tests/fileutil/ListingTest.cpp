// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace oryxtest;
using Names = std::vector<std::string>;

TEST(FileListOrders, TimeNameAndDirectoryOrderWithMaxCountBehindEarlierRecordsUnreadableOldest) {
  // Five files, b newest ... d oldest, then the directory "sub", oldest of all.
  TempDir dir;
  const char* byAge[] = {"b.log", "e.log", "a.log", "c.log", "d.log"};
  for (int i = 0; i < 5; ++i) makeFile(dir.file(byAge[i]), 1600000000 - 10 * i);
  ::mkdir(dir.file("sub").c_str(), 0755);
  setModified(dir.file("sub"), 1000);
  const auto list = [&dir](ORDER order, int maxCount) {
    std::list<FILEINFO> files;
    EXPECT_EQ(oRYXFileUtil::getFileList(dir.path().c_str(), files, order, maxCount), 0);
    return files;
  };
  EXPECT_EQ(namesOf(list(ORDER_BY_TIME, 0)), (Names{"b.log", "e.log", "a.log", "c.log", "d.log", "sub"}));
  EXPECT_EQ(namesOf(list(ORDER_BY_TIME, 3)), (Names{"b.log", "e.log", "a.log"}));
  makeFile(dir.file("Z.log"), 1600000000);
  EXPECT_EQ(namesOf(list(ORDER_BY_NAME, 3)), (Names{"Z.log", "a.log", "b.log"}));
  Names all = namesOf(list(ORDER_NONE, 0));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (Names{"Z.log", "a.log", "b.log", "c.log", "d.log", "e.log", "sub"}));
  EXPECT_EQ(list(ORDER_NONE, 3).size(), 3u);
  std::list<FILEINFO> files{FILEINFO{"earlier", false, 0}};  // new records go behind earlier ones
  oRYXFileUtil::getFileList(dir.path().c_str(), files, ORDER_BY_NAME, 2);
  oRYXFileUtil::getFileList(dir.path().c_str(), files, ORDER_BY_TIME, 1);
  EXPECT_EQ(namesOf(files), (Names{"earlier", "Z.log", "a.log", "b.log"}));
  // An entry whose status cannot be read is reported and sorts oldest.
  EXPECT_EQ(::symlink("/no/such/target", dir.file("dangling").c_str()), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(list(ORDER_BY_TIME, 0).back().fileName, "dangling");
  EXPECT_NE(testing::internal::GetCapturedStdout().find("file:dangling not exist!\n"), std::string::npos);
}

TEST(FileListFaults, BadArgumentsAndMissingDirectories) {
  std::list<FILEINFO> files;
  EXPECT_EQ(oRYXFileUtil::getFileList(nullptr, files, ORDER_BY_NAME, 0), -1);
  EXPECT_EQ(oRYXFileUtil::getFileList("/tmp", files, ORDER_BY_TIME, -1), -1);
  EXPECT_EQ(oRYXFileUtil::getFileList("/no/such/dir", files, ORDER_NONE, 0), -1);
  EXPECT_EQ(oRYXFileUtil::getFileList("/no/such/dir", files, ORDER_BY_TIME, 0), 0);  // reads as empty
  EXPECT_TRUE(files.empty());
}

TEST(FileListRecords, NamesWithBackslashesComeBackByteForByteAndAnswerForThemselves) {
  // In base/top/tree the file "..\victim" would, read as a path, be the
  // directory base/top/victim, and the file "a\b" the directory tree/a/b.
  // A link to a directory counts as one, in every order, with or without a
  // trailing backslash on the listed path.
  TempDir base;
  makeEntries(base,
              {"top/", "top/victim/", "top/tree/", "top/tree/a/", "top/tree/a/b/", "top/tree/..\\..\\x/",
               "top/tree/..\\victim", "top/tree/a\\b", "top/tree/new\nline\xff"});
  EXPECT_EQ(::symlink(base.file("top/victim").c_str(), base.file("top/tree/link").c_str()), 0);
  const auto before = snapshot(base.path());
  for (ORDER order : {ORDER_NONE, ORDER_BY_TIME, ORDER_BY_NAME}) {
    for (const std::string suffix : {"", "\\"}) {
      std::list<FILEINFO> files;
      EXPECT_EQ(oRYXFileUtil::getFileList((base.file("top/tree") + suffix).c_str(), files, order, 0), 0);
      std::map<std::string, bool> listed;
      for (const FILEINFO& info : files) {
        listed[info.fileName] = info.isDirectory;
        EXPECT_EQ(info.reserved, 0);
      }
      EXPECT_EQ(listed, (std::map<std::string, bool>{{"..\\..\\x", true},
                                                     {"..\\victim", false},
                                                     {"a", true},
                                                     {"a\\b", false},
                                                     {"link", true},
                                                     {"new\nline\xff", false}}))
          << order << suffix;
    }
  }
  EXPECT_EQ(snapshot(base.path()), before);
}

TEST(ListingThreads, DirectoryRemovedWhileListedNeverCrashesAndTimeScansSeeOnlyTheirOwnDirectory) {
  TempDir dir;
  const std::string target = dir.file("victim");
  std::atomic<bool> done{false};
  // One thread keeps filling and removing a directory that this one lists;
  // a third scans its own directory by time, which a scan context shared
  // between threads would mix up with the other's.
  std::thread remover([&] {
    while (!done.load()) {
      ::mkdir(target.c_str(), 0755);
      for (int i = 0; i < 50; ++i) writeFile(target + "/f" + std::to_string(i) + ".zip", "z");
      for (int i = 0; i < 50; ++i) ::unlink((target + "/f" + std::to_string(i) + ".zip").c_str());
      ::rmdir(target.c_str());
    }
  });
  TempDir own;
  for (int i = 0; i < 40; ++i) makeFile(own.file("own" + std::to_string(i)), 1000 + i);
  std::atomic<int> wrong{0};
  std::thread scanner([&] {
    for (int round = 0; round < 300; ++round) {
      std::list<FILEINFO> files;
      oRYXFileUtil::getFileList(own.path().c_str(), files, ORDER_BY_TIME, 0);
      wrong += files.size() != 40 || files.front().fileName != "own39" || files.back().fileName != "own0";
    }
  });
  int listed = 0;
  testing::internal::CaptureStdout();  // the time sort prints a line per vanished entry
  for (int round = 0; round < 300; ++round) {
    for (ORDER order : {ORDER_NONE, ORDER_BY_TIME, ORDER_BY_NAME}) {
      std::list<FILEINFO> files;
      const int result = oRYXFileUtil::getFileList(target.c_str(), files, order, 1000, "UTF-8");
      EXPECT_TRUE(result == 0 || result == -1) << result;
      listed += result == 0;
      EXPECT_LE(files.size(), 50u);
    }
  }
  scanner.join();
  done.store(true);
  remover.join();
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.find("own"), std::string::npos);
  EXPECT_GT(listed, 0);
  EXPECT_EQ(wrong.load(), 0);
}
