#ifndef ORYXUTIL_TESTS_SUPPORT_RUNCOMMAND_H
#define ORYXUTIL_TESTS_SUPPORT_RUNCOMMAND_H

// Runs a shell command (an independent reader such as xmllint or python3)
// and returns its standard output; `status` gets pclose's result.

#include <cstdio>
#include <string>

namespace oryxtest {

inline std::string runCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0) output.append(chunk, n);
  status = ::pclose(pipe);
  return output;
}

}  // namespace oryxtest

#endif
