// SPDX-License-Identifier: Apache-2.0
// oryx-profile run as a program on small hand-written profiles whose figures
// are known: nesting and self time, percentiles, the legacy text lines.
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

#ifndef ORYX_PROFILE_TOOL
#define ORYX_PROFILE_TOOL ""
#endif

class ProfileTool : public ::testing::Test {
 protected:
  oryxtest::TempDir dir;
  oryxtest::ShellRun result;

  void SetUp() override {
    if (std::string(ORYX_PROFILE_TOOL).empty()) GTEST_SKIP() << "oryx-profile is not built";
  }
  // Runs the tool on `input` (written to a file); fills `result`; the exit status.
  int run(const std::string& arguments, const std::string& input) {
    oryxtest::writeFile(dir.file("in"), input);
    result = oryxtest::runShell(dir.path(), ORYX_PROFILE_TOOL " " + arguments + " in");
    return result.status;
  }
};

TEST_F(ProfileTool, ChildrenTakeTheirTimeOutOfTheParentsSelfOnTheirOwnThreadOnly) {
  // Thread 1: a(0..100) holds b(10..40) and c(40..70); thread 2: a(20..30)
  // overlaps in time but is no child. Cut short after a whole event.
  const std::string trace =
      "[\n{\"ph\":\"X\",\"name\":\"a\",\"pid\":1,\"tid\":1,\"ts\":0,\"dur\":100},\n"
      "{\"ph\":\"X\",\"name\":\"b\",\"pid\":1,\"tid\":1,\"ts\":10,\"dur\":30},\n"
      "{\"ph\":\"X\",\"name\":\"c\",\"pid\":1,\"tid\":1,\"ts\":40,\"dur\":30},\n"
      "{\"ph\":\"X\",\"name\":\"a\",\"pid\":1,\"tid\":2,\"ts\":20,\"dur\":10},\n{\"ph\":\"X\",\"na";
  ASSERT_EQ(0, run("folded", trace)) << result.err;
  EXPECT_EQ("a 50\na;b 30\na;c 30\n", result.out);
  ASSERT_EQ(0, run("summary --csv", trace)) << result.err;
  EXPECT_EQ(
      "name,count,total_us,self_us,mean_us,p50_us,p90_us,p99_us,max_us\n"
      "a,2,110.000,50.000,55.000,10.000,100.000,100.000,100.000\n"
      "b,1,30.000,30.000,30.000,30.000,30.000,30.000,30.000\n"
      "c,1,30.000,30.000,30.000,30.000,30.000,30.000,30.000\n",
      result.out);
}

TEST_F(ProfileTool, PercentilesAreNearestRank) {
  std::string trace = "[";
  for (int i = 1; i <= 200; ++i) {
    trace += "{\"ph\":\"X\",\"name\":\"z\",\"tid\":1,\"ts\":" + std::to_string(i * 1000) +
             ",\"dur\":" + std::to_string(201 - i) + "},";
  }
  trace.back() = ']';
  ASSERT_EQ(0, run("summary --json", trace)) << result.err;
  EXPECT_NE(result.out.find(
                "\"p50_us\": 100.0,\n    \"p90_us\": 180.0,\n    \"p99_us\": 198.0,\n    \"max_us\": 200.0"),
            std::string::npos)
      << result.out;
}

TEST_F(ProfileTool, LegacyLinesNestByTheirIndentAndOtherTextIsRefused) {
  const std::string lines =
      "Started[outer]\n  Started[inner]\n    Elapsed[leaf]:0s:0ms:250us:0ns\n"
      "  Elapsed[inner]:0s:1ms:0us:0ns\n  Elapsed[inner]:0s:0ms:500us:0ns\n"
      "Elapsed[outer]:0s:3ms:0us:0ns\nTimestamp[x]:1s:2us\n";
  ASSERT_EQ(0, run("folded", lines)) << result.err;
  EXPECT_EQ("outer 1500\nouter;inner 1250\nouter;inner;leaf 250\n", result.out);
  EXPECT_EQ(1, run("summary", "no profile here\n"));
  EXPECT_EQ("oryx-profile: in: neither a trace nor profile lines\n", result.err);
  EXPECT_EQ(1, run("summary", "[{\"ph\":"));
}
