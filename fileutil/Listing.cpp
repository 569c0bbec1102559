// getFileList: one directory into FILEINFO records, unsorted, by time or by
// name, at most maxCount of them.
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/NativePath.h"
#include "fileutil/DirHandle.h"
#include "fileutil/ResultCodes.h"
#include "fileutil/ScanContext.h"
#include "fileutil/ScanFunctions.h"

#include <sys/stat.h>

using namespace oryx::fileutil;

namespace {

// Whether base\name is a directory, from what is already known where that
// is reliable: the entry's own type unless it is a link or unknown, or the
// status the time sort read (same file, same bytes when the caller's
// encoding is UTF-8). Otherwise the status is read now.
bool entryIsDirectory(const std::string& base, const ACE_DIRENT* entry, const EntryStatus* known,
                      const char* encoding) {
  if (known != nullptr && known->readable && oryx::isUtf8Name(encoding)) {
    return S_ISDIR(known->mode);
  }
  if (known == nullptr && entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) {
    return entry->d_type == DT_DIR;
  }
  std::string path;
  path.reserve(base.size() + 1 + sizeof(entry->d_name));
  path.assign(base).append(1, '\\').append(entry->d_name);
  return oRYXFileUtil::isDir(path, encoding) == kIsDirectory;
}

void append(std::list<FILEINFO>& files, const std::string& base, const ACE_DIRENT* entry,
            const EntryStatus* known, const char* encoding) {
  files.push_back(FILEINFO{entry->d_name, entryIsDirectory(base, entry, known, encoding), 0});
}

}  // namespace

int oRYXFileUtil::getFileList(const char* dir, std::list<FILEINFO>& files, ORDER order, int maxCount,
                              const char* encoding) {
  if (dir == nullptr || *dir == '\0' || maxCount < 0) return kFailed;
  std::string base;
  removeLastSeparator(dir, base);

  if (order == ORDER_BY_TIME || order == ORDER_BY_NAME) {
    const bool byTime = order == ORDER_BY_TIME;
    ScanResult scan(dir, selectAllButDots, byTime ? compareByTime : compareByName, encoding);
    // A directory that cannot be read lists as empty in the sorted orders.
    if (scan.count() <= 0) return kOk;
    if (maxCount != 0) scan.keepFirst(maxCount);
    for (int i = 0; i < scan.count(); ++i) {
      const ACE_DIRENT* entry = scan.entry(i);
      append(files, base, entry, byTime ? scan.cachedStatus(entry) : nullptr, encoding);
    }
    return kOk;
  }

  DirHandle handle(dir, encoding);
  if (!handle.isOpen()) return kFailed;
  int listed = 0;
  while (const ACE_DIRENT* entry = handle.next()) {
    if (maxCount != 0 && ++listed > maxCount) break;
    append(files, base, entry, nullptr, encoding);
  }
  return kOk;
}
