// delDir: removes a directory tree. Symbolic links are removed as entries and
// never descended into, so a link to a directory outside the tree leaves the
// outside untouched.
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/DirHandle.h"
#include "fileutil/ResultCodes.h"
#include "oryxutil/companion/OS.h"

#include <sys/stat.h>

using namespace oryx::fileutil;

namespace {

// The type of `path` itself (a link is not followed); 0 when unreadable.
// Trailing separators go first: "link/" would name the link's target.
mode_t entryType(const std::string& path, const char* encoding) {
  std::string stripped(path);
  while (stripped.size() > 1 && (stripped.back() == '\\' || stripped.back() == '/')) stripped.pop_back();
  struct ::stat record;
  if (ORYX_OS::lstat(stripped.c_str(), &record, encoding) != 0) return 0;
  return record.st_mode & S_IFMT;
}

}  // namespace

int oRYXFileUtil::delDir(const char* dir, const char* encoding) {
  if (dir == nullptr || *dir == '\0') return kFailed;
  // A link named as the tree itself is refused too: following it would empty
  // the directory it points to.
  if (entryType(dir, encoding) != S_IFDIR) return kFailed;
  {
    DirHandle handle(dir, encoding);
    if (!handle.isOpen()) return kFailed;
    std::string path;
    while (const ACE_DIRENT* entry = handle.next()) {
      // The directory text exactly as given: a trailing backslash doubles,
      // which the file system accepts.
      path.assign(dir).append(1, '\\').append(entry->d_name);
      const mode_t type = entryType(path, encoding);
      if (type == 0) continue;  // unreadable: left for the final rmdir to show
      // Failures below the top show only in the final rmdir.
      if (type == S_IFDIR) {
        delDir(path.c_str(), encoding);
      } else {
        ORYX_OS::unlink(path.c_str(), encoding);
      }
    }
  }
  return ORYX_OS::rmdir(dir, encoding);
}
