#include "profile/ProfileFile.h"

#include "companion/os/NativePath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace oryx {
namespace profile {

ProfileFile::~ProfileFile() { close(); }

bool ProfileFile::open(const char* path) {
  close();
  std::string native;
  if (!nativePath(path, "UTF-8", native)) return false;
  // Opened without waiting: a FIFO nobody reads would otherwise block the
  // library's loading for ever (it fails with ENXIO instead); writes wait.
  m_fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
  if (m_fd >= 0) ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
  m_failed = false;
  return m_fd >= 0;
}

void ProfileFile::append(const char* bytes, size_t length) {
  if (m_fd < 0 || m_failed) return;
  m_pending.append(bytes, length);
  if (m_pending.size() >= kFlushThreshold) flush();
}

void ProfileFile::flush() {
  const char* data = m_pending.data();
  size_t left = m_pending.size();
  while (left > 0 && !m_failed) {
    const ssize_t written = ::write(m_fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      m_failed = true;
      break;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  m_pending.clear();
}

void ProfileFile::close() {
  if (m_fd < 0) return;
  flush();
  ::close(m_fd);
  m_fd = -1;
}

}  // namespace profile
}  // namespace oryx
