// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_PROCESS_H
#define ORYXUTIL_COMPANION_PROCESS_H

// Starts a program found on PATH with exactly the given words as its argument
// vector and waits for it. No shell and no re-parsing: each word reaches the
// program byte for byte as one argument. This is the one place the library
// starts processes; ORYX_OS::system hands it the words of a parsed command
// line, the file utilities hand it the archiver's words directly.
// Result: the program's exit status (0 success), 128 + N when it was killed by
// signal N, kCannotStart when it could not be started (no words, not found,
// not executable). Any thread may call it; the calling thread waits.

#include <string>
#include <vector>

namespace oryx {

// Where a standard stream of the started program goes.
enum class StreamTarget {
  Inherited,  // the caller's stream
  Discarded,  // the null device
  ToOutput    // standard error only: wherever standard output goes
};

struct ProgramStreams {
  StreamTarget input = StreamTarget::Inherited;   // Inherited or Discarded
  StreamTarget output = StreamTarget::Inherited;  // Inherited or Discarded
  StreamTarget errors = StreamTarget::Inherited;
};

const int kCannotStart = 127;

int runProgram(const std::vector<std::string>& words, const ProgramStreams& streams);

// As runProgram, started in `directory` (the caller's working directory
// when empty), and a program still running after `seconds` is killed
// (SIGKILL) and waited for: the result is then 128 + SIGKILL.
int runProgramWithin(const std::vector<std::string>& words, const ProgramStreams& streams, long seconds,
                     const std::string& directory);

}  // namespace oryx

#endif
