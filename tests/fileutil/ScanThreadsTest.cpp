// SPDX-License-Identifier: Apache-2.0
// Sorted scans on two threads at once each see only their own directory.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/Files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace oryxtest;

TEST(ScanThreads, ConcurrentTimeScansNeverSeeTheOtherDirectory) {
  TempDir first;
  TempDir second;
  for (int i = 0; i < 40; ++i) {
    makeFile(first.file("first" + std::to_string(i)), 1000 + i);
    makeFile(second.file("second" + std::to_string(i)), 5000 - i);
  }
  std::atomic<int> wrong{0};
  auto scan = [&wrong](const std::string& dir, const std::string& newest, const std::string& oldest) {
    for (int round = 0; round < 50; ++round) {
      std::list<FILEINFO> files;
      oRYXFileUtil::getFileList(dir.c_str(), files, ORDER_BY_TIME, 0);
      if (files.size() != 40 || files.front().fileName != newest || files.back().fileName != oldest) ++wrong;
    }
  };
  testing::internal::CaptureStdout();  // a leaked directory would print "not exist!" lines
  std::thread a(scan, first.path(), "first39", "first0");
  std::thread b(scan, second.path(), "second0", "second39");
  a.join();
  b.join();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(wrong.load(), 0);
}
