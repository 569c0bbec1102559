// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_SUPPORT_SPAWN_H
#define ORYXUTIL_TESTS_SUPPORT_SPAWN_H

// The suite's one way to run another program. runProgram() runs one with
// the chosen words, environment and standard streams and gives its exit
// status (128 + the signal when a signal ended it, 127 when it never
// started). runQuietly() and exitsCleanly() are the two common runs;
// runShell() runs a shell command line and keeps what it printed;
// FakeProgram is a logging stand-in first on PATH for one scope.

#include "support/EnvGuard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace oryxtest {

// Runs `words` to its end; words[0] without a slash is looked up on PATH.
// `env` null: this process's environment; `quiet`: standard streams on /dev/null.
inline int runProgram(const std::vector<std::string>& words, const std::vector<std::string>* env = nullptr,
                      bool quiet = false) {
  std::vector<char*> argv, envp;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  if (env != nullptr) {
    for (const std::string& var : *env) envp.push_back(const_cast<char*>(var.c_str()));
    envp.push_back(nullptr);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; quiet && fd <= 2; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  pid_t child = -1;
  const int spawned =
      ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), env != nullptr ? envp.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || ::waitpid(child, &status, 0) != child) return 127;
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// A program from PATH with exactly these words, no input, output discarded.
inline int runQuietly(const std::vector<std::string>& words) { return runProgram(words, nullptr, true); }

// Runs `args` as a fresh process, for behaviour fixed when the library loads
// or exits, with this environment minus variables starting with
// `dropPrefix` plus `env`: success when it exits with 0 within `seconds` (a
// hung child is killed and reported as such).
inline ::testing::AssertionResult exitsCleanly(std::vector<std::string> args, std::vector<std::string> env,
                                               const char* dropPrefix = "OX_PROFILE_", int seconds = 180) {
  args.insert(args.begin(), {"/usr/bin/timeout", "-s", "KILL", std::to_string(seconds)});
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, dropPrefix, std::strlen(dropPrefix)) != 0) env.push_back(*entry);
  }
  const int status = runProgram(args, &env);
  if (status == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "exit status " << status
                                       << (status == 137  ? " (killed: hung)"
                                           : status > 128 ? " (a signal)"
                                                          : "");
}

// `word` quoted for the shell.
inline std::string shellQuoted(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// What a shell command line printed, and its exit status (-1 when a signal
// ended the shell).
struct ShellRun {
  int status = -1;
  std::string out, err;
};

// Runs `line` with /bin/sh in `dir`, standard input from the file `input`.
// The two streams go to files outside `dir`.
inline ShellRun runShell(const std::string& dir, const std::string& line,
                         const std::string& input = "/dev/null") {
  TempDir streams;
  const int status = std::system(("cd " + shellQuoted(dir) + " && {\n" + line + "\n} <" + shellQuoted(input) +
                                  " >" + streams.file("out") + " 2>" + streams.file("err"))
                                     .c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(streams.file("out")),
          readFile(streams.file("err"))};
}

// A stand-in program, first on PATH for one scope. Each run logs its working
// directory and its arguments, runs `extra` (shell text; $FAKE_DIR is the
// program's directory) and exits with the status set by exitWith (0).
class FakeProgram {
 public:
  explicit FakeProgram(const std::string& name, const std::string& extra = "")
      : m_path("PATH", (m_bin.path() + ":" + std::getenv("PATH")).c_str()) {
    writeFile(m_bin.file(name),
              "#!/bin/sh\nFAKE_DIR='" + m_bin.path() +
                  "'\n{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; echo '<end>'; } >> "
                  "\"$FAKE_DIR/log\"\n" +
                  extra + "\nexit $(cat \"$FAKE_DIR/status\" 2>/dev/null || echo 0)\n");
    ::chmod(m_bin.file(name).c_str(), 0755);
  }

  void exitWith(int status) { writeFile(m_bin.file("status"), std::to_string(status)); }

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
