#ifndef ORYXUTIL_TESTS_SUPPORT_FAKEPROGRAM_H
#define ORYXUTIL_TESTS_SUPPORT_FAKEPROGRAM_H

// A stand-in program, first on PATH for one scope. Every run appends one
// record to a log: its working directory, then its arguments, one per line.
// It exits with the status set by exitWith (0 by default). `extra` is shell
// text run before exiting ("$@" are the arguments, $FAKE_DIR its directory).

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace oryxtest {

class FakeProgram {
 public:
  explicit FakeProgram(const std::string& name, const std::string& extra = "")
      : m_path("PATH", (m_bin.path() + ":" + currentPath()).c_str()) {
    const std::string script = m_bin.file(name);
    writeFile(script, "#!/bin/sh\nFAKE_DIR='" + m_bin.path() +
                          "'\n{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; echo '<end>'; } "
                          ">> \"$FAKE_DIR/log\"\n" + extra +
                          "\nexit $(cat \"$FAKE_DIR/status\" 2>/dev/null || echo 0)\n");
    ::chmod(script.c_str(), 0755);
  }

  void exitWith(int status) { writeFile(m_bin.file("status"), std::to_string(status)); }
  std::string dir() const { return m_bin.path(); }

  // One entry per run: the working directory, then the arguments.
  std::vector<std::vector<std::string>> runs() const {
    std::vector<std::vector<std::string>> result(1);
    std::istringstream log(readFile(m_bin.file("log")));
    for (std::string line; std::getline(log, line);) {
      if (line == "<end>") result.emplace_back();
      else result.back().push_back(line);
    }
    result.pop_back();
    return result;
  }

 private:
  static std::string currentPath() {
    const char* path = std::getenv("PATH");
    return path ? path : "/usr/bin:/bin";
  }

  TempDir m_bin;
  EnvGuard m_path;
};

}  // namespace oryxtest

#endif
