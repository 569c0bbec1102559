#ifndef ORYXUTIL_FILEUTIL_DIRHANDLE_H
#define ORYXUTIL_FILEUTIL_DIRHANDLE_H

// Owns one directory stream of the OS layer and reads it entry by entry,
// into a whole ACE_DIRENT (names may be 255 bytes long). Closed on
// destruction, so every exit path releases it. One thread reads one handle.

#include "oryxutil/companion/OS.h"

#include <cstring>

namespace oryx {
namespace fileutil {

class DirHandle {
 public:
  DirHandle(const char* dir, const char* encoding)
      : m_dir(ORYX_OS::opendir(dir, encoding)), m_encoding(encoding) {}
  ~DirHandle() {
    if (m_dir != nullptr) ORYX_OS::closedir(m_dir);
  }
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;

  bool isOpen() const { return m_dir != nullptr; }

  // The next entry other than "." and "..", null at the end; a read error
  // ends the listing like the end of the directory.
  const ACE_DIRENT* next() {
    for (;;) {
      ACE_DIRENT* result = nullptr;
      if (ORYX_OS::readdir_r(m_dir, &m_entry, &result, m_encoding) != 0 || result == nullptr) {
        return nullptr;
      }
      if (!isDotOrDotDot(result->d_name)) return result;
    }
  }

  static bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
  }

 private:
  ACE_DIR* m_dir;
  const char* m_encoding;
  ACE_DIRENT m_entry;
};

}  // namespace fileutil
}  // namespace oryx

#endif
