// SPDX-License-Identifier: Apache-2.0
// Retention clean-up of the zip archives at the top of one directory: by age
// (deleteFileByTime) or by count of the newest (deleteFileByThreshold).
// Entries are read and removed through the directory's descriptor: a name is
// its own bytes (a backslash in it is no separator), a link answers for
// itself and is removed as a link, never followed out of the directory, and
// fifos, sockets and devices are never touched whatever their names.
#include "oryxutil/fileutil/FileUtil.h"

#include "companion/ResultCodes.h"
#include "companion/os/NativePath.h"
#include "companion/io/DirectoryReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

using oryx::kOk;
using oryx::kFailed;
using oryx::kLaterStepFailed;
using oryx::Descriptor;
using oryx::DirectoryReader;
using oryx::entryStatus;

namespace {

// The local broken-down time as calendar time. When the conversion moves the
// hour (the caller's daylight-saving flag did not fit the date), the
// caller's hour is put back and converted again, so the wall-clock hour the
// caller named is the one used.
time_t toCalendarTime(struct tm* local) {
  const int hour = local->tm_hour;
  time_t converted = std::mktime(local);
  if (local->tm_hour != hour) {
    local->tm_hour = hour;
    converted = std::mktime(local);
  }
  return converted;
}

Descriptor openNamedDirectory(const char* dir, const char* encoding) {
  std::string native;
  if (!oryx::nativePath(dir, encoding, native)) return Descriptor();
  return oryx::openDirectory(AT_FDCWD, native.c_str(), false);
}

// Fifos, sockets and devices: entries no clean-up ever removes.
bool isSpecialFile(mode_t mode) {
  return S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode) || S_ISBLK(mode);
}

struct Archive {
  std::string name;
  int64_t modified;
};

// Unreadable entries sort behind every readable one, as the oldest.
const int64_t kUnreadableTime = std::numeric_limits<int64_t>::min();

void reportMissing(const std::string& name) {
  // One write per line so lines of concurrent clean-ups never interleave.
  const std::string line = "file:" + name + " not exist!\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

int oRYXFileUtil::deleteFileByTime(const char* dir, struct tm* cutoff, const char* encoding) {
  if (dir == nullptr || *dir == '\0' || cutoff == nullptr) return kFailed;
  const time_t limit = toCalendarTime(cutoff);
  if (limit > std::time(nullptr)) return kFailed;

  const Descriptor directory = openNamedDirectory(dir, encoding);
  if (!directory.isOpen()) return kFailed;
  DirectoryReader reader(directory.get());
  if (!reader.isOpen()) return kFailed;
  while (const struct dirent* entry = reader.next()) {
    const char* name = entry->d_name;
    if (!isZipFile(name)) continue;
    struct ::stat record;
    if (!entryStatus(directory.get(), name, record)) return kFailed;
    if (isSpecialFile(record.st_mode)) continue;
    if (record.st_mtime < limit && ::unlinkat(directory.get(), name, 0) != 0) return kLaterStepFailed;
  }
  return kOk;
}

int oRYXFileUtil::deleteFileByThreshold(const char* dir, long threshold, const char* encoding) {
  if (dir == nullptr || *dir == '\0' || threshold < 0) return kFailed;
  // An unreadable directory has nothing to prune.
  const Descriptor directory = openNamedDirectory(dir, encoding);
  if (!directory.isOpen()) return kOk;

  // Every name holding ".zip" anywhere counts (x.zip.old too).
  std::vector<Archive> archives;
  DirectoryReader reader(directory.get());
  while (const struct dirent* entry = reader.next()) {
    const char* name = entry->d_name;
    if (std::strstr(name, ".zip") == nullptr) continue;
    struct ::stat record;
    if (!entryStatus(directory.get(), name, record)) {
      reportMissing(name);
      archives.push_back(Archive{name, kUnreadableTime});
    } else if (!isSpecialFile(record.st_mode)) {
      archives.push_back(Archive{name, static_cast<int64_t>(record.st_mtime)});
    }
  }
  if (archives.size() <= static_cast<unsigned long>(threshold)) return kOk;
  std::sort(archives.begin(), archives.end(),
            [](const Archive& a, const Archive& b) { return a.modified > b.modified; });
  // From the oldest towards the newest; the newest `threshold` stay.
  for (size_t i = archives.size(); i-- > static_cast<size_t>(threshold);) {
    if (::unlinkat(directory.get(), archives[i].name.c_str(), 0) != 0) return kLaterStepFailed;
  }
  return kOk;
}
