// getFileList: one directory into FILEINFO records, unsorted, by time or by
// name, at most maxCount of them.
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "fileutil/Descriptor.h"
#include "fileutil/DirHandle.h"
#include "fileutil/ScanContext.h"
#include "fileutil/ScanFunctions.h"

#include <sys/stat.h>

using namespace oryx::fileutil;
using oryx::kOk;
using oryx::kFailed;

namespace {

// Whether the entry is a directory (a link to one counts), from what is
// already known where that is reliable: the entry's own type unless it is a
// link or unknown, or the status the time sort read (same file, same bytes
// when the caller's encoding is UTF-8). Otherwise the status is read now,
// relative to the listed directory's descriptor: the name is the entry's own
// bytes, never a path to re-parse.
bool entryIsDirectory(int dirFd, const ACE_DIRENT* entry, const EntryStatus* known, const char* encoding) {
  if (known != nullptr && known->readable && oryx::isUtf8Name(encoding)) {
    return S_ISDIR(known->mode);
  }
  if (known == nullptr && entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) {
    return entry->d_type == DT_DIR;
  }
  std::string name;
  if (!oryx::toUtf8(entry->d_name, encoding, name)) return false;
  struct ::stat record;
  return ::fstatat(dirFd, name.c_str(), &record, 0) == 0 && S_ISDIR(record.st_mode);
}

void append(std::list<FILEINFO>& files, int dirFd, const ACE_DIRENT* entry, const EntryStatus* known,
            const char* encoding) {
  files.push_back(FILEINFO{entry->d_name, entryIsDirectory(dirFd, entry, known, encoding), 0});
}

Descriptor openListed(const std::string& base, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(base.c_str(), encoding, native)) return Descriptor();
  return openDirectory(AT_FDCWD, native.c_str(), false);
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
    const Descriptor listed = openListed(base, encoding);
    for (int i = 0; i < scan.count(); ++i) {
      const ACE_DIRENT* entry = scan.entry(i);
      append(files, listed.get(), entry, byTime ? scan.cachedStatus(entry) : nullptr, encoding);
    }
    return kOk;
  }

  DirHandle handle(dir, encoding);
  if (!handle.isOpen()) return kFailed;
  const Descriptor listed = openListed(base, encoding);
  int count = 0;
  while (const ACE_DIRENT* entry = handle.next()) {
    if (maxCount != 0 && ++count > maxCount) break;
    append(files, listed.get(), entry, nullptr, encoding);
  }
  return kOk;
}
