// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/companion/TraceClient.h"
#include "oryxutil/export/FormatFile.h"

#include "companion/trace/Report.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

using oryxtest::TraceCapture;

TEST(TraceClientReports, ReportArrivesAtLevelFiveCategoryOneFormattedAndKeepsErrno) {
  TraceCapture capture;
  errno = ENOSPC;
  oryx::report("X::op: file=%s, errno=%d.", "a.csv", 28);
  EXPECT_EQ(errno, ENOSPC);
  oryx::report("name=%s", "100%s%d");  // a percent in an argument is not reinterpreted
  const auto messages = capture.messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].level, 5);
  EXPECT_EQ(messages[0].category, 1);
  EXPECT_EQ(messages[0].text, "X::op: file=a.csv, errno=28.");
  EXPECT_EQ(messages[1].text, "name=100%s%d");
}

TEST(TraceClientSink, EmptySinkRestoresDefaultDestination) {
  TraceCapture capture;
  oRYXcommon::TraceClient::Instance()->setSink(nullptr);
  testing::internal::CaptureStderr();
  oryx::report("to the log %d", 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("to the log 1\n"), std::string::npos);
  EXPECT_TRUE(capture.texts().empty());
}

TEST(TraceClientThreads, ConcurrentReportsAndSinkChangesAreSafe) {
  TraceCapture capture;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 250; ++i) oryx::report("thread %d message %d", t, i);
    });
  }
  for (int i = 0; i < 50; ++i) {
    oRYXcommon::TraceClient::Instance()->setSink([](int, int, const std::string&) {});
  }
  for (auto& thread : threads) thread.join();
  EXPECT_LE(capture.messages().size(), 1000u);
}

TEST(LastReport, EachThreadSeesItsOwnLastReportWhateverTheSink) {
  TraceCapture capture;
  oryx::report("first %d", 1);
  oryx::report("second %s", "x");
  EXPECT_EQ(oryx::lastReport(), "second x");
  std::string other = "unset";
  std::thread([&other] { other = oryx::lastReport(); }).join();
  EXPECT_EQ(other, "");
  std::thread([&other] {
    oryx::report("on a thread");
    other = oryx::lastReport();
  }).join();
  EXPECT_EQ(other, "on a thread");
  EXPECT_EQ(oryx::lastReport(), "second x");
}

TEST(LastReport, NullWriterSaysWhyWithoutReporting) {
  TraceCapture capture;
  EXPECT_EQ(oryx::makeWriter("xls", {}, {}), nullptr);
  EXPECT_EQ(oryx::lastReport(), "makeWriter: unknown writer type \"xls\"");
  EXPECT_EQ(oryx::makeWriter("XML", {"only one"}, {}), nullptr);
  EXPECT_EQ(oryx::lastReport(), "makeWriter: parameters the \"xml\" writer cannot use");
  EXPECT_TRUE(capture.messages().empty());
}
