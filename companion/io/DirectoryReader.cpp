// SPDX-License-Identifier: Apache-2.0
#include "companion/io/DirectoryReader.h"

#include <unistd.h>

#include <cerrno>

namespace oryx {

Descriptor openDirectory(int at, const char* path, bool noFollow) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0);
  return Descriptor(::openat(at, path, flags));
}

bool isDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool entryStatus(int dirFd, const char* name, struct ::stat& record) {
  return ::fstatat(dirFd, name, &record, AT_SYMLINK_NOFOLLOW) == 0;
}

DirectoryReader::DirectoryReader(int dirFd) : DirectoryReader(Descriptor(::fcntl(dirFd, F_DUPFD_CLOEXEC, 0))) {
  // A duplicate shares the offset of the original: read from the start.
  if (m_stream != nullptr) ::rewinddir(m_stream);
}

DirectoryReader::DirectoryReader(Descriptor directory) {
  if (!directory.isOpen()) {
    m_error = errno;
    return;
  }
  m_stream = ::fdopendir(directory.get());
  if (m_stream == nullptr) {
    m_error = errno;
    return;
  }
  directory.release();
}

DirectoryReader::~DirectoryReader() {
  if (m_stream != nullptr) ::closedir(m_stream);
}

int DirectoryReader::fd() const { return m_stream == nullptr ? -1 : ::dirfd(m_stream); }

const struct dirent* DirectoryReader::nextAny() {
  if (m_stream == nullptr) return nullptr;
  errno = 0;
  const struct dirent* entry = ::readdir(m_stream);
  if (entry == nullptr) m_error = errno;
  return entry;
}

const struct dirent* DirectoryReader::next() {
  for (;;) {
    const struct dirent* entry = nextAny();
    if (entry == nullptr || !isDotOrDotDot(entry->d_name)) return entry;
  }
}

}  // namespace oryx
