// SPDX-License-Identifier: Apache-2.0
// getFileList: one directory into FILEINFO records, unsorted, by time or by
// name, at most maxCount of them.
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "companion/io/DirectoryReader.h"
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
bool entryIsDirectory(int dirFd, const char* rawName, unsigned char type, const EntryStatus* known) {
  if (known != nullptr && known->readable) return S_ISDIR(known->mode);
  if (known == nullptr && type != DT_UNKNOWN && type != DT_LNK) return type == DT_DIR;
  struct ::stat record;
  return ::fstatat(dirFd, rawName, &record, 0) == 0 && S_ISDIR(record.st_mode);
}

// A sorted scan's entry holds the name in the caller's encoding: back to the
// file system's bytes for the status read.
void appendScanned(std::list<FILEINFO>& files, int dirFd, const ACE_DIRENT* entry, const EntryStatus* known,
                   const char* encoding) {
  std::string raw;
  const bool utf8 = oryx::isUtf8Name(encoding);
  const bool converted = utf8 || oryx::toUtf8(entry->d_name, encoding, raw);
  const bool isDirectory = converted && entryIsDirectory(dirFd, utf8 ? entry->d_name : raw.c_str(),
                                                         entry->d_type, utf8 ? known : nullptr);
  files.push_back(FILEINFO{entry->d_name, isDirectory, 0});
}

// A name read here leaves the library in the caller's encoding (as it is
// when it does not convert), cut to what an ACE_DIRENT holds.
std::string callerName(const char* raw, const char* encoding) {
  std::string converted;
  if (oryx::isUtf8Name(encoding) || !oryx::fromUtf8(raw, encoding, converted)) converted = raw;
  if (converted.size() >= sizeof(ACE_DIRENT::d_name)) converted.resize(sizeof(ACE_DIRENT::d_name) - 1);
  return converted;
}

oryx::Descriptor openListed(const std::string& base, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(base.c_str(), encoding, native)) return oryx::Descriptor();
  return oryx::openDirectory(AT_FDCWD, native.c_str(), false);
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
    const oryx::Descriptor listed = openListed(base, encoding);
    for (int i = 0; i < scan.count(); ++i) {
      const ACE_DIRENT* entry = scan.entry(i);
      appendScanned(files, listed.get(), entry, byTime ? scan.cachedStatus(entry) : nullptr, encoding);
    }
    return kOk;
  }

  oryx::DirectoryReader reader(openListed(base, encoding));
  if (!reader.isOpen()) return kFailed;
  int count = 0;
  while (const struct dirent* entry = reader.next()) {
    if (maxCount != 0 && ++count > maxCount) break;
    files.push_back(FILEINFO{callerName(entry->d_name, encoding),
                             entryIsDirectory(reader.fd(), entry->d_name, entry->d_type, nullptr), 0});
  }
  return kOk;
}
