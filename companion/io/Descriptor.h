// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_DESCRIPTOR_H
#define ORYXUTIL_COMPANION_DESCRIPTOR_H

// Owns one file descriptor and closes it on destruction; movable, not
// copyable. Threads: one owner at a time. writeAll / copyAll: every byte
// to a descriptor, across short writes and EINTR.

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace oryx {

// All of `size` bytes of `data` to `fd`; false, errno set, when a write fails.
inline bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Every byte `from` gives until its end, to `to`; false, errno set, when a
// read or a write fails (a read that would block counts as failed).
inline bool copyAll(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(from, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got == 0;
    if (!writeAll(to, buffer, static_cast<size_t>(got))) return false;
  }
}

// Owns one descriptor; closed on destruction.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : m_fd(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(Descriptor&& other) noexcept : m_fd(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      reset();
      m_fd = other.release();
    }
    return *this;
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  bool isOpen() const { return m_fd >= 0; }
  int get() const { return m_fd; }
  int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
  void reset() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }

 private:
  int m_fd;
};

}  // namespace oryx

#endif
