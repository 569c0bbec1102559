// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/companion/OS.h"

#include "companion/os/NativePath.h"
#include "companion/io/DirectoryReader.h"

#include <ace/OS_NS_dirent.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace ORYX_OS {

namespace {

// Copies a UTF-8 name into `entry`, converted to the caller's encoding when it
// converts, cut to the entry's name buffer.
void storeName(const char* name, ACE_DIRENT* entry, const char* encoding) {
  std::string converted;
  const char* text = name;
  if (!oryx::isUtf8Name(encoding) && oryx::fromUtf8(name, encoding, converted)) {
    text = converted.c_str();
  }
  const size_t capacity = sizeof(entry->d_name);
  const size_t length = std::min(std::strlen(text), capacity - 1);
  std::memcpy(entry->d_name, text, length);
  entry->d_name[length] = '\0';
}

// qsort takes (const void*, const void*); the caller's comparator takes
// entry pointers. The trampoline reads the comparator of this thread's sort.
thread_local ScandirComparator t_comparator = nullptr;

int compareEntries(const void* a, const void* b) {
  // The array holds ACE_DIRENT*; the comparator sees them as const entries.
  const ACE_DIRENT* left = *static_cast<ACE_DIRENT* const*>(a);
  const ACE_DIRENT* right = *static_cast<ACE_DIRENT* const*>(b);
  return t_comparator(&left, &right);
}

}  // namespace

int stat(const char* path, struct ::stat* record, const char* encoding) {
  std::string native;
  if (record == nullptr) {
    errno = EFAULT;
    return -1;
  }
  if (!oryx::nativePath(path, encoding, native)) return -1;
  return ::stat(native.c_str(), record);
}

int access(const char* path, int mode, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(path, encoding, native)) return -1;
  return ::access(native.c_str(), mode);
}

int mkdir(const char* path, mode_t mode, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(path, encoding, native)) return -1;
  return ::mkdir(native.c_str(), mode);
}

int unlink(const char* path, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(path, encoding, native)) return -1;
  return ::unlink(native.c_str());
}

int rmdir(const char* path, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(path, encoding, native)) return -1;
  return ::rmdir(native.c_str());
}

int chdir(const char* path, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(path, encoding, native)) return -1;
  return ::chdir(native.c_str());
}

char* getcwd(char* buffer, size_t size, const char* encoding) {
  if (buffer == nullptr || size == 0) {
    errno = EINVAL;
    return nullptr;
  }
  std::string cwd(4096, '\0');
  if (::getcwd(&cwd[0], cwd.size()) == nullptr) return nullptr;
  cwd.resize(std::strlen(cwd.c_str()));
  std::string converted;
  if (!oryx::fromUtf8(cwd.c_str(), encoding, converted)) return nullptr;
  if (converted.size() + 1 > size) {
    errno = ERANGE;
    return nullptr;
  }
  std::memcpy(buffer, converted.c_str(), converted.size() + 1);
  return buffer;
}

ACE_DIR* opendir(const char* path, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(path, encoding, native)) return nullptr;
  return ACE_OS::opendir(native.c_str());
}

int readdir_r(ACE_DIR* dir, ACE_DIRENT* entry, ACE_DIRENT** result, const char* encoding) {
  if (dir == nullptr || entry == nullptr || result == nullptr) return EFAULT;
  *result = nullptr;
  errno = 0;
  // readdir on a stream that only this thread reads is safe; its result is
  // copied out before the next call.
  ACE_DIRENT* next = ACE_OS::readdir(dir);
  if (next == nullptr) return errno;
  std::memcpy(entry, next, offsetof(ACE_DIRENT, d_name));
  storeName(next->d_name, entry, encoding);
  *result = entry;
  return 0;
}

int closedir(ACE_DIR* dir) {
  if (dir == nullptr) return -1;
  ACE_OS::closedir(dir);
  return 0;
}

int scandir(const char* dir, ACE_DIRENT*** list, ScandirSelector selector,
            ScandirComparator comparator, const char* encoding) {
  std::string native;
  if (list == nullptr) {
    errno = EFAULT;
    return -1;
  }
  *list = nullptr;
  if (!oryx::nativePath(dir, encoding, native)) return -1;
  oryx::DirectoryReader reader(oryx::openDirectory(AT_FDCWD, native.c_str(), false));
  if (!reader.isOpen()) {
    errno = reader.error();
    return -1;
  }

  // Names are converted to the caller's encoding before the selection and
  // comparison see them, so both work on the texts the caller passes around.
  size_t count = 0;
  size_t capacity = 0;
  ACE_DIRENT** entries = nullptr;
  int readErrno = 0;
  while (const ACE_DIRENT* next = reader.nextAny()) {
    ACE_DIRENT* copy = static_cast<ACE_DIRENT*>(std::malloc(sizeof(ACE_DIRENT)));
    if (copy == nullptr) {
      readErrno = ENOMEM;
      break;
    }
    std::memcpy(copy, next, offsetof(ACE_DIRENT, d_name));
    storeName(next->d_name, copy, encoding);
    if (selector != nullptr && selector(copy) == 0) {
      std::free(copy);
      continue;
    }
    if (count == capacity) {
      capacity = capacity == 0 ? 32 : capacity * 2;
      void* grown = std::realloc(entries, capacity * sizeof(ACE_DIRENT*));
      if (grown == nullptr) {
        std::free(copy);
        readErrno = ENOMEM;
        break;
      }
      entries = static_cast<ACE_DIRENT**>(grown);
    }
    entries[count++] = copy;
  }
  if (readErrno == 0) readErrno = reader.error();
  if (readErrno != 0) {
    for (size_t i = 0; i < count; ++i) std::free(entries[i]);
    std::free(entries);
    errno = readErrno;
    return -1;
  }
  if (comparator != nullptr && count > 1) {
    const ScandirComparator outer = t_comparator;  // a comparator may itself scan
    t_comparator = comparator;
    std::qsort(entries, count, sizeof(ACE_DIRENT*), compareEntries);
    t_comparator = outer;
  }
  if (entries == nullptr) entries = static_cast<ACE_DIRENT**>(std::malloc(sizeof(ACE_DIRENT*)));
  *list = entries;
  return static_cast<int>(count);
}

FILE* fopen(const char* path, const char* mode, const char* encoding) {
  std::string native;
  if (mode == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  if (!oryx::nativePath(path, encoding, native)) return nullptr;
  return std::fopen(native.c_str(), mode);
}

}  // namespace ORYX_OS
