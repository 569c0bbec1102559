// SPDX-License-Identifier: Apache-2.0
#include "companion/process/Process.h"

#include "companion/io/Descriptor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace oryx {

namespace {

const int kSignalBase = 128;  // a program killed by signal N ends with 128 + N

int statusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return kSignalBase + WTERMSIG(waitStatus);
  return kCannotStart;
}

// Owns the file actions of one spawn.
class FileActions {
 public:
  FileActions() : m_ready(posix_spawn_file_actions_init(&m_actions) == 0) {}
  ~FileActions() {
    if (m_ready) posix_spawn_file_actions_destroy(&m_actions);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;

  bool ready() const { return m_ready; }
  posix_spawn_file_actions_t* get() { return &m_actions; }

 private:
  posix_spawn_file_actions_t m_actions;
  bool m_ready;
};

// Starts the program; -1 when it cannot start.
pid_t startProgram(const std::vector<std::string>& words, const ProgramStreams& streams,
                   const std::string& directory) {
  if (words.empty()) return -1;
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  FileActions actions;
  if (!actions.ready()) return -1;
  if (!directory.empty() && posix_spawn_file_actions_addchdir_np(actions.get(), directory.c_str()) != 0) return -1;
  if (streams.input == StreamTarget::Discarded) {
    posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  }
  // Errors to the caller's output must be wired before output is discarded.
  if (streams.errors == StreamTarget::ToOutput) posix_spawn_file_actions_adddup2(actions.get(), 1, 2);
  if (streams.output == StreamTarget::Discarded) {
    posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
  }
  if (streams.errors == StreamTarget::Discarded) {
    posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);
  }
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], actions.get(), nullptr, argv.data(), environ) != 0) return -1;
  return child;
}

int waitFor(pid_t child) {
  int waitStatus = 0;
  while (::waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) return kCannotStart;
  }
  return statusOf(waitStatus);
}

// True once the child has ended (not yet reaped) within `deadline`. A
// process descriptor wakes the wait at once; where the kernel has none,
// the child is looked at every few milliseconds.
bool endsBefore(pid_t child, std::chrono::steady_clock::time_point deadline) {
  const Descriptor process(static_cast<int>(::syscall(SYS_pidfd_open, child, 0)));
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (process.isOpen()) {
      struct pollfd ready = {process.get(), POLLIN, 0};
      const int waitMs = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
      if (::poll(&ready, 1, waitMs) > 0) return true;
    } else {
      siginfo_t info = {};
      if (::waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
}

}  // namespace

int runProgram(const std::vector<std::string>& words, const ProgramStreams& streams) {
  const pid_t child = startProgram(words, streams, std::string());
  return child < 0 ? kCannotStart : waitFor(child);
}

int runProgramWithin(const std::vector<std::string>& words, const ProgramStreams& streams, long seconds,
                     const std::string& directory) {
  const pid_t child = startProgram(words, streams, directory);
  if (child < 0) return kCannotStart;
  if (!endsBefore(child, std::chrono::steady_clock::now() + std::chrono::seconds(seconds))) ::kill(child, SIGKILL);
  return waitFor(child);
}

}  // namespace oryx
