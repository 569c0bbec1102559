// SPDX-License-Identifier: Apache-2.0
// Profiles and exits, run by the profile tests as a fresh process: the
// profiler reads OX_PROFILE_FILE and its switches when the library loads, and
// exiting is itself under test. Usage: profile_child <scenario>.
#include "oryxutil/profile/Profile.h"

#include <dirent.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

size_t threadCount() {
  size_t count = 0;
  if (DIR* tasks = ::opendir("/proc/self/task")) {
    while (const dirent* entry = ::readdir(tasks)) count += entry->d_name[0] != '.';
    ::closedir(tasks);
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc == 2 ? argv[1] : "";
  if (scenario == "nested") {  // the line after exit() must not arrive
    oRYXProfile::startTimer("outer");
    oRYXProfile::startTimer("inner");
    oRYXProfile::stopTimer("inner");
    oRYXProfile::stopTimer("outer");
    oRYXProfile::writeTime("mark");
    oRYXProfile::exit();
    oRYXProfile::writeTime("late");
  } else if (scenario == "threads") {  // names of their own, no exit()
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
      workers.emplace_back([t] {
        for (int i = 0; i < 2000; ++i) {
          oRYXAutoProfile scope(("t" + std::to_string(t) + "-" + std::to_string(i)).c_str());
        }
      });
    }
    for (std::thread& worker : workers) worker.join();
  } else if (scenario == "running") {  // a static guard ends during exit
    static oRYXAutoProfile wholeRun("static scope");
    oRYXProfile::startTimer("left running");
    oRYXProfile::startTimer("also running");
  } else if (scenario == "exit-then-running") {
    oRYXProfile::startTimer("before exit");
    oRYXProfile::exit();
    oRYXProfile::exit();
    oRYXProfile::startTimer("after exit");
  } else if (scenario == "idle") {  // a lone line reaches the file while the program waits
    oRYXProfile::writeTime("lone");
    for (int i = 0; i < 500; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::stringstream text;
      text << std::ifstream(std::getenv("OX_PROFILE_FILE")).rdbuf();
      if (text.str().find("Timestamp[lone]") != std::string::npos) return 0;
    }
    return 1;
  } else if (scenario == "quiet") {  // no thread until the first line
    // A sanitizer starts its own thread at the first thread start: not ours.
    std::thread([] {}).join();
    const size_t before = threadCount();
    oRYXProfile::getTime("not a line");
    if (threadCount() != before) return 3;
    oRYXProfile::writeTime("first");
    return threadCount() == before + 1 ? 0 : 4;
  } else {
    return 2;
  }
  return 0;
}
