// SPDX-License-Identifier: Apache-2.0
// Profiles a small workload in 4 threads with zones and a named timer, then
// shows the result with oryx-profile: the summary on standard output, and a
// flame graph (SVG) and a timeline (HTML) beside the trace.
// Usage: oryx-example-trace [OUTPUT_DIR]
// The trace destination is read when the library loads, so the program runs
// itself again as a child with OX_PROFILE_TRACE set.
#include <oryxutil/oryxutil.h>
#include <oryxutil/profile/Zone.h>

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifndef ORYX_PROFILE_TOOL
#define ORYX_PROFILE_TOOL "oryx-profile"
#endif

namespace {

using oryx::profile::Zone;

std::vector<int> parse(std::mt19937& random) {
  Zone zone("parse");
  std::vector<int> values(20000);
  for (int& value : values) value = static_cast<int>(random() % 100000);
  return values;
}

long compute(std::vector<int>& values) {
  Zone zone("compute");
  {
    Zone sorting("sort");
    std::sort(values.begin(), values.end());
  }
  Zone summing("sum");
  return std::accumulate(values.begin(), values.end(), 0L);
}

std::string render(long total) {
  Zone zone("render");
  std::string text;
  for (int i = 0; i < 2000; ++i) text += std::to_string(total + i);
  return text;
}

void worker(int index) {
  const std::string name = "worker-" + std::to_string(index);
  ::pthread_setname_np(::pthread_self(), name.c_str());
  static const Zone::Name kRequest("request");
  std::mt19937 random(static_cast<unsigned>(index));
  size_t bytes = 0;
  for (int request = 0; request < 40 + 10 * index; ++request) {
    Zone zone(kRequest);
    std::vector<int> values = parse(random);
    bytes += render(compute(values)).size();
    if (request % 10 == 9) oryx::profile::instant("ten requests");
    oryx::profile::counter("bytes rendered", static_cast<int64_t>(bytes));
  }
}

void workload() {
  oRYXAutoProfile wholeRun("demo run");  // a named timer appears in the trace too
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(worker, t);
  for (std::thread& thread : threads) thread.join();
}

int shell(const std::string& command) {
  std::printf("$ %s\n", command.c_str());
  std::fflush(stdout);
  return std::system(command.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("OX_PROFILE_TRACE") != nullptr) {  // the child: profile
    workload();
    return 0;
  }
  const std::string dir = argc > 1 ? argv[1] : ".";
  const std::string trace = dir + "/profile-trace.json";
  ::setenv("OX_PROFILE_TRACE", trace.c_str(), 1);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execv("/proc/self/exe", argv);
    _exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "oryx-example-trace: the profiled run failed\n");
    return 1;
  }
  std::printf("trace: %s (opens in Perfetto, speedscope or chrome://tracing)\n", trace.c_str());
  const std::string tool = ORYX_PROFILE_TOOL;
  if (shell(tool + " summary " + trace) != 0) return 1;
  if (shell(tool + " flamegraph " + trace + " > " + dir + "/profile-flame.svg") != 0) return 1;
  if (shell(tool + " timeline " + trace + " > " + dir + "/profile-timeline.html") != 0) return 1;
  return 0;
}
