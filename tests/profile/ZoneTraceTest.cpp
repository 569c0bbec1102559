// SPDX-License-Identifier: Apache-2.0
// Zones and the trace as a process sees them: tests/profile/child/ZoneChild
// runs the workload, crashes or stalls as a fresh process, and
// tests/profile/check_trace.py reads the trace back with Python's json, csv,
// xml and html5lib, and through oryx-profile.
#include "support/Spawn.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using oryxtest::exitsCleanly;

class ZoneTrace : public ::testing::Test {
 protected:
  ::testing::AssertionResult run(const std::string& scenario, const std::string& trace) {
    return exitsCleanly({ORYX_ZONE_CHILD, scenario, m_dir.file("marker")}, {"OX_PROFILE_TRACE=" + trace}, "OX_PROFILE_",
                        120);
  }
  // The one trace file the child wrote ("%p" expanded).
  std::string traceFile() const {
    std::string found;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
      if (entry.path().filename().string().rfind("trace-", 0) == 0) found = entry.path().string();
    }
    return found;
  }
  // Debian's Python, which has python3-html5lib.
  bool checked(const char* mode, const std::string& trace) {
    const std::string command = std::string("/usr/bin/python3 ") + ORYX_TRACE_CHECK + " " + mode + " '" + trace +
                                "' " + ORYX_PROFILE_TOOL;
    return std::system(command.c_str()) == 0;
  }

  oryxtest::TempDir m_dir;
};

TEST_F(ZoneTrace, EightThreadsOfNestedZonesAndTimersReadBackExactlyThroughEveryView) {
  ASSERT_TRUE(run("workload", m_dir.file("trace-%p.json")));
  const std::string trace = traceFile();
  ASSERT_NE(trace.find("trace-"), std::string::npos);
  EXPECT_EQ(trace.find("%p"), std::string::npos);
  EXPECT_TRUE(checked("workload", trace));
}

TEST_F(ZoneTrace, KilledProcessLeavesEveryEventOfItsLastFlush) {
  const ::testing::AssertionResult killed = run("crash", m_dir.file("trace-crash.json"));
  // The marker comes just before the child kills itself: not a hang.
  ASSERT_TRUE(std::filesystem::exists(m_dir.file("marker")));
  ASSERT_NE(std::string(killed.message()).find("exit status 137"), std::string::npos) << killed.message();
  EXPECT_TRUE(checked("crash", m_dir.file("trace-crash.json")));
}

TEST_F(ZoneTrace, StalledWriterNeverBlocksTheCallerAndCountsEveryDrop) {
  // A FIFO nobody reads until the child has zoned: the writer blocks on it.
  const std::string fifo = m_dir.file("trace-fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ::testing::AssertionResult exited = ::testing::AssertionFailure();
  std::thread child([&] { exited = run("stall", fifo); });
  for (int i = 0; i < 6000 && !std::filesystem::exists(m_dir.file("marker")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(std::filesystem::exists(m_dir.file("marker"))) << "the caller blocked";
  ::fcntl(reader, F_SETFL, 0);
  std::string text;
  char buffer[65536];
  for (ssize_t got; (got = ::read(reader, buffer, sizeof buffer)) != 0;) {
    if (got > 0) text.append(buffer, static_cast<size_t>(got));
    else if (errno != EINTR && errno != EAGAIN) break;
  }
  ::close(reader);
  child.join();
  EXPECT_TRUE(exited);
  oryxtest::writeFile(m_dir.file("trace-stalled.json"), text);
  EXPECT_TRUE(checked("stall", m_dir.file("trace-stalled.json")));
}

}  // namespace
