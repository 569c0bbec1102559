#include "companion/process/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

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

}  // namespace

int runProgram(const std::vector<std::string>& words, const ProgramStreams& streams) {
  if (words.empty()) return kCannotStart;
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  FileActions actions;
  if (!actions.ready()) return kCannotStart;
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
  if (posix_spawnp(&child, argv[0], actions.get(), nullptr, argv.data(), environ) != 0) return kCannotStart;

  int waitStatus = 0;
  while (::waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) return kCannotStart;
  }
  return statusOf(waitStatus);
}

}  // namespace oryx
