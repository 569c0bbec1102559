// SPDX-License-Identifier: Apache-2.0
#include "ToolCli.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace oryxtool {

namespace {

void guardStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0) ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
  }
}

}  // namespace

void setUpCommandLine(CLI::App& app, const char* tool) {
  guardStandardStreams();
  app.set_version_flag("--version", std::string(tool) + " (oryxutil) " ORYX_VERSION);
  const std::string name = tool;
  app.failure_message([name](const CLI::App*, const CLI::Error& e) {
    return name + ": " + e.what() + " (see --help)\n";
  });
}

int parseCommandLine(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
    return kKeepGoing;
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return finishStdout(app.get_name().c_str(), status == 0 ? kExitOk : kExitUsage);
  }
}

int finishStdout(const char* tool, int status) {
  std::cout.flush();
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  // The stream may have failed earlier and kept only the mark; an empty
  // write asks the descriptor for the reason again.
  if (errno == 0) {
    const ssize_t ignored = ::write(STDOUT_FILENO, "", 0);
    (void)ignored;
  }
  report(tool, "standard output", errno != 0 ? std::strerror(errno) : "write error");
  return kExitFailed;
}

std::string printable(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

void report(const char* tool, const std::string& what, const std::string& reason) {
  std::fprintf(stderr, "%s: %s: %s\n", tool, printable(what).c_str(), reason.c_str());
}

}  // namespace oryxtool
