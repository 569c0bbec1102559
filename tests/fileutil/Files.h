// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TESTS_FILEUTIL_FILES_H
#define ORYXUTIL_TESTS_FILEUTIL_FILES_H

// Helpers of the file-utility tests: modification times, existence, names.

#include "oryxutil/fileutil/FileUtil.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <string>
#include <vector>

namespace oryxtest {

inline void setModified(const std::string& path, time_t modified) {
  const struct timespec times[2] = {{modified, 0}, {modified, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

inline void makeFile(const std::string& path, time_t modified) {
  writeFile(path, path);
  setModified(path, modified);
}

// Makes each entry below `base`, in order: a name ending in "/" a
// directory, any other a file holding its own name.
inline void makeEntries(const TempDir& base, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    if (entry.back() == '/') ::mkdir(base.file(entry).c_str(), 0755);
    else writeFile(base.file(entry), entry);
  }
}

inline bool exists(const std::string& path) {
  struct ::stat record;
  return ::lstat(path.c_str(), &record) == 0;
}

inline std::vector<std::string> namesOf(const std::list<FILEINFO>& files) {
  std::vector<std::string> names;
  for (const FILEINFO& info : files) names.push_back(info.fileName);
  return names;
}

}  // namespace oryxtest

#endif
