#ifndef ORYXUTIL_FILEUTIL_DESCRIPTOR_H
#define ORYXUTIL_FILEUTIL_DESCRIPTOR_H

// Directories held by descriptor, and their entries read as raw names.
// A name read from a directory is opaque bytes: the file utilities use it
// only relative to the descriptor it was read from (fstatat, unlinkat,
// openat), so no byte of it is ever mapped or taken as a separator.
// Descriptors are close-on-exec: a started archiver inherits none.

#include "companion/io/Descriptor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace oryx {
namespace fileutil {

using oryx::Descriptor;

// Opens the directory `path` (relative to `at`); with `noFollow` a symbolic
// link as the last component is refused instead of followed.
inline Descriptor openDirectory(int at, const char* path, bool noFollow) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0);
  return Descriptor(::openat(at, path, flags));
}

inline bool isDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Reads the names of an open directory from its start, "." and ".." left
// out. The reader has its own descriptor (a duplicate), so the directory's
// descriptor stays usable and owned by its holder.
class EntryReader {
 public:
  explicit EntryReader(int dirFd) {
    const int copy = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0) {
      m_stream = ::fdopendir(copy);
      if (m_stream == nullptr) {
        ::close(copy);
      } else {
        ::rewinddir(m_stream);  // a duplicate shares the offset of the original
      }
    }
  }
  ~EntryReader() {
    if (m_stream != nullptr) ::closedir(m_stream);
  }
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  bool isOpen() const { return m_stream != nullptr; }

  // The next name, null at the end; a read error ends the reading like the
  // end of the directory.
  const char* next() {
    if (m_stream == nullptr) return nullptr;
    while (const struct dirent* entry = ::readdir(m_stream)) {
      if (!isDotOrDotDot(entry->d_name)) return entry->d_name;
    }
    return nullptr;
  }

 private:
  DIR* m_stream = nullptr;
};

// fstatat of `name` in `dirFd` without following a link.
inline bool entryStatus(int dirFd, const char* name, struct ::stat& record) {
  return ::fstatat(dirFd, name, &record, AT_SYMLINK_NOFOLLOW) == 0;
}

// Fifos, sockets and devices: entries no clean-up ever removes.
inline bool isSpecialFile(mode_t mode) {
  return S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode) || S_ISBLK(mode);
}

}  // namespace fileutil
}  // namespace oryx

#endif
