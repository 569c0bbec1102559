// A program that profiles and exits, run by the profile tests as a fresh
// process: the profiler reads OX_PROFILE_FILE and its switches when the
// library loads, and exiting is itself under test.
// Usage: profile_child <scenario>; exit status 0 when the scenario ran.
#include "oryxutil/profile/Profile.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Two nested timers and a timestamp, then exit(); the line after exit()
// must not reach the file.
void nested() {
  oRYXProfile::startTimer("outer");
  oRYXProfile::startTimer("inner");
  oRYXProfile::stopTimer("inner");
  oRYXProfile::stopTimer("outer");
  oRYXProfile::writeTime("mark");
  oRYXProfile::exit();
  oRYXProfile::startTimer("late");
  oRYXProfile::stopTimer("late");
  oRYXProfile::writeTime("late");
}

// Many lines in a burst: all must arrive, in order.
void burst() {
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "n" + std::to_string(i);
    oRYXProfile::startTimer(name);
    oRYXProfile::stopTimer(name);
    oRYXProfile::clean(name);
  }
  oRYXProfile::exit();
}

// Several threads on names of their own, then return without exit().
void threads() {
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([t] {
      for (int i = 0; i < 2000; ++i) {
        const std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
        oRYXAutoProfile scope(name.c_str());
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
}

// Timers still running when main returns, the writer never told to stop;
// a static scope guard ends while the process exits.
void running() {
  static oRYXAutoProfile wholeRun("static scope");
  oRYXProfile::startTimer("left running");
  oRYXProfile::startTimer("also running");
}

// exit() first, timers left running afterwards.
void exitThenRunning() {
  oRYXProfile::startTimer("before exit");
  oRYXProfile::exit();
  oRYXProfile::exit();
  oRYXProfile::startTimer("after exit");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string scenario = argv[1];
  if (scenario == "nested") nested();
  else if (scenario == "burst") burst();
  else if (scenario == "threads") threads();
  else if (scenario == "running") running();
  else if (scenario == "exit-then-running") exitThenRunning();
  else return 2;
  return 0;
}
