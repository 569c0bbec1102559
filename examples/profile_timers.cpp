// SPDX-License-Identifier: Apache-2.0
// Profiling with named timers. The lines go to the file named by
// OX_PROFILE_FILE, read when the library loads, so set it when starting:
//   OX_PROFILE_FILE=profile.txt oryx-example-profile
// The file then holds, indented by nesting:
//   Started[load]
//     Started[parse]
//     Elapsed[parse]:0s:1ms:...
//   Elapsed[load]:0s:2ms:...
#include <oryxutil/oryxutil.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

void parse() {
  // Times this scope: started here, stopped (and its line written) on return.
  oRYXAutoProfile timer("parse");
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

int main() {
  oRYXProfile::startTimer("load");
  parse();
  oRYXProfile::stopTimer("load");
  // The same line, as text, for a log of the program's own.
  std::printf("%s", oRYXProfile::getElapsedTime("load").c_str());
  // The lines are written by a background thread: exit() lets it write
  // everything handed over so far before the program ends.
  oRYXProfile::exit();
  return 0;
}
