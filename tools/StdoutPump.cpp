// SPDX-License-Identifier: Apache-2.0
#include "StdoutPump.h"

#include "SignalCleanup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace oryxtool {

namespace {

const size_t kChunk = 64 * 1024;

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

StdoutPump::~StdoutPump() { finish(); }

bool StdoutPump::start() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  m_read = ends[0];
  m_write = ends[1];
  m_writerPath = "/proc/self/fd/" + std::to_string(m_write);
  SignalBlock block;  // the thread inherits the blocked signals
  try {
    m_thread = std::thread(&StdoutPump::copy, this);
  } catch (const std::system_error& e) {
    errno = e.code().value();
    return false;
  }
  return true;
}

void StdoutPump::copy() {
  char buffer[kChunk];
  for (;;) {
    const ssize_t got = ::read(m_read, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    if (!writeAll(STDOUT_FILENO, buffer, static_cast<size_t>(got))) {
      m_error = errno;
      break;
    }
  }
  // A writer still writing now gets EPIPE instead of waiting forever.
  ::close(m_read);
  m_read = -1;
}

int StdoutPump::finish() {
  if (m_write >= 0) {
    ::close(m_write);
    m_write = -1;
  }
  if (m_thread.joinable()) {
    m_thread.join();
  } else if (m_read >= 0) {
    ::close(m_read);
    m_read = -1;
  }
  return m_error;
}

}  // namespace oryxtool
