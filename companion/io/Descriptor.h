// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_DESCRIPTOR_H
#define ORYXUTIL_COMPANION_DESCRIPTOR_H

// Owns one file descriptor and closes it on destruction; movable, not
// copyable. Threads: one owner at a time.

#include <unistd.h>

namespace oryx {

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
