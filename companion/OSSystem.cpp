// ORYX_OS::system: Windows-style command lines run without any shell, so no
// text of the line (file names included) is ever interpreted as a command.
#include "oryxutil/companion/OS.h"

#include "companion/BuiltinCommands.h"
#include "companion/CommandLine.h"
#include "companion/NativePath.h"

#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace ORYX_OS {

namespace {

const int kCannotStart = 127;
const int kSignalBase = 128;  // a program killed by signal N ends with 128 + N

int statusOf(int waitStatus) {
  if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
  if (WIFSIGNALED(waitStatus)) return kSignalBase + WTERMSIG(waitStatus);
  return kCannotStart;
}

int spawnAndWait(const oryx::CommandLine& line) {
  std::vector<char*> argv;
  argv.reserve(line.words.size() + 1);
  for (const std::string& word : line.words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return kCannotStart;
  // Errors to the caller's output must be wired before output is discarded.
  if (line.errors == oryx::StreamTarget::ToOutput) posix_spawn_file_actions_adddup2(&actions, 1, 2);
  if (line.output == oryx::StreamTarget::Discarded) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  if (line.errors == oryx::StreamTarget::Discarded) {
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return kCannotStart;

  int waitStatus = 0;
  while (::waitpid(child, &waitStatus, 0) < 0) {
    if (errno != EINTR) return kCannotStart;
  }
  return statusOf(waitStatus);
}

}  // namespace

int system(const char* command, const char* encoding) {
  std::string text;
  if (!oryx::toUtf8(command, encoding, text)) return -1;
  oryx::CommandLine line = oryx::parseCommandLine(text);
  if (line.words.empty()) return -1;
  for (std::string& word : line.words) word = oryx::nativePath(word);

  const std::string& program = line.words[0];
  const std::vector<std::string> arguments(line.words.begin() + 1, line.words.end());
  if (::strcasecmp(program.c_str(), "del") == 0) return oryx::deleteFiles(arguments);
  if (::strcasecmp(program.c_str(), "move") == 0) return oryx::moveFile(arguments);
  return spawnAndWait(line);
}

}  // namespace ORYX_OS
