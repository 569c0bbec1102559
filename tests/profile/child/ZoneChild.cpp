// SPDX-License-Identifier: Apache-2.0
// Zones and named timers in a fresh process, run by the trace tests: the
// trace destination is read when the library loads, and a crash or a stalled
// writer is part of what is tested. Usage: zone_child <scenario> [file].
//   workload: 8 threads x 5 rounds of outer(2 ms) > middle(1 ms) > inner(1 ms)
//             sleeps, a named timer "round-<t>" around each round, an instant,
//             and names that need escaping on thread 0;
//   crash <marker>: 2 threads of zones, then the marker file once they are
//             written out, then SIGKILL;
//   stall <marker>: 100000 zones on one thread, then the marker file.
#include "oryxutil/profile/Profile.h"
#include "oryxutil/profile/Zone.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void workload(int thread) {
  const std::string name = "worker-" + std::to_string(thread);
  ::pthread_setname_np(::pthread_self(), name.c_str());
  for (int round = 0; round < 5; ++round) {
    oRYXAutoProfile timer(("round-" + std::to_string(thread)).c_str());  // names are process-wide
    oryx::profile::Zone outer("outer");
    sleepMs(2);
    {
      oryx::profile::Zone middle("middle");
      sleepMs(1);
      oryx::profile::Zone inner("inner");
      sleepMs(1);
    }
    oryx::profile::instant("checkpoint");
  }
  if (thread == 0) {
    oryx::profile::Zone quoted(std::string("say \"hi\"\\ \x01\n"));
    oryx::profile::Zone bad(std::string("bad \xff\xc3 utf8"));
  }
}

void touch(const char* path) { std::ofstream(path) << "done\n"; }

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc >= 2 ? argv[1] : "";
  if (scenario == "workload") {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) threads.emplace_back(workload, t);
    for (std::thread& thread : threads) thread.join();
  } else if (scenario == "crash" && argc == 3) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
      threads.emplace_back([] {
        for (int i = 0; i < 1000; ++i) oryx::profile::Zone zone("before crash");
      });
    }
    for (std::thread& thread : threads) thread.join();
    sleepMs(200);  // several writer rounds
    touch(argv[2]);
    ::raise(SIGKILL);
  } else if (scenario == "stall" && argc == 3) {
    for (int i = 0; i < 100000; ++i) oryx::profile::Zone zone("stalled");
    touch(argv[2]);
  } else {
    return 2;
  }
  return 0;
}
