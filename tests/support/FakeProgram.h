#ifndef ORYXUTIL_TESTS_SUPPORT_FAKEPROGRAM_H
#define ORYXUTIL_TESTS_SUPPORT_FAKEPROGRAM_H

// A stand-in program, first on PATH for one scope. Each run logs its working
// directory and its arguments, runs `extra` (shell text; $FAKE_DIR is the
// program's directory) and exits with the status set by exitWith (0).

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <vector>

namespace oryxtest {

class FakeProgram {
 public:
  explicit FakeProgram(const std::string& name, const std::string& extra = "")
      : m_path("PATH", (m_bin.path() + ":" + std::getenv("PATH")).c_str()) {
    writeFile(m_bin.file(name), "#!/bin/sh\nFAKE_DIR='" + m_bin.path() +
                                    "'\n{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; echo '<end>'; } >> "
                                    "\"$FAKE_DIR/log\"\n" + extra +
                                    "\nexit $(cat \"$FAKE_DIR/status\" 2>/dev/null || echo 0)\n");
    ::chmod(m_bin.file(name).c_str(), 0755);
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
  TempDir m_bin;
  EnvGuard m_path;
};

}  // namespace oryxtest

#endif
