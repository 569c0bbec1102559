#ifndef ORYXUTIL_TESTS_SUPPORT_CHILDPROCESS_H
#define ORYXUTIL_TESTS_SUPPORT_CHILDPROCESS_H

// Runs a program as a fresh process, for behaviour fixed when the library
// loads or exits: success when it exits with 0 within `seconds` (a hung
// child is killed and reported as such).

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace oryxtest {

// `args` run with this environment minus variables starting with
// `dropPrefix` plus `env`.
inline ::testing::AssertionResult exitsCleanly(std::vector<std::string> args,
                                               std::vector<std::string> env,
                                               const char* dropPrefix = "OX_PROFILE_",
                                               int seconds = 180) {
  args.insert(args.begin(), {"/usr/bin/timeout", "-s", "KILL", std::to_string(seconds)});
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, dropPrefix, std::strlen(dropPrefix)) != 0) env.push_back(*entry);
  }
  std::vector<char*> argv, envp;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  for (std::string& var : env) envp.push_back(&var[0]);
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = -1;
  int status = 0;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0 ||
      ::waitpid(pid, &status, 0) != pid) {
    return ::testing::AssertionFailure() << "cannot run " << args[4];
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return ::testing::AssertionSuccess();
  if (WIFSIGNALED(status)) return ::testing::AssertionFailure() << "signal " << WTERMSIG(status);
  return ::testing::AssertionFailure() << "exit status " << WEXITSTATUS(status)
                                       << (WEXITSTATUS(status) == 137 ? " (killed: hung)" : "");
}

}  // namespace oryxtest

#endif
