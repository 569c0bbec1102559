// Retention clean-up of the zip archives at the top of one directory: by age
// (deleteFileByTime) or by count of the newest (deleteFileByThreshold).
#include "oryxutil/fileutil/FileUtil.h"

#include "fileutil/DirHandle.h"
#include "fileutil/ResultCodes.h"
#include "fileutil/ScanContext.h"
#include "fileutil/ScanFunctions.h"
#include "oryxutil/companion/OS.h"

#include <sys/stat.h>

#include <ctime>

using namespace oryx::fileutil;

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

}  // namespace

int oRYXFileUtil::deleteFileByTime(const char* dir, struct tm* cutoff, const char* encoding) {
  if (dir == nullptr || *dir == '\0' || cutoff == nullptr) return kFailed;
  const time_t limit = toCalendarTime(cutoff);
  if (limit > std::time(nullptr)) return kFailed;

  DirHandle handle(dir, encoding);
  if (!handle.isOpen()) return kFailed;
  std::string path;
  while (const ACE_DIRENT* entry = handle.next()) {
    if (!isZipFile(entry->d_name)) continue;
    path.assign(dir).append(1, '/').append(entry->d_name);
    struct ::stat record;
    // The status is read with the name taken as UTF-8, whatever the caller's encoding.
    if (ORYX_OS::stat(path.c_str(), &record, "UTF-8") != 0) return kFailed;
    if (record.st_mtime < limit && ORYX_OS::unlink(path.c_str(), encoding) < 0) return kLaterStepFailed;
  }
  return kOk;
}

int oRYXFileUtil::deleteFileByThreshold(const char* dir, long threshold, const char* encoding) {
  if (dir == nullptr || *dir == '\0' || threshold < 0) return kFailed;
  ScanResult scan(dir, selectZipNames, compareByTime, encoding);
  // An unreadable directory has nothing to prune.
  if (scan.count() <= threshold) return kOk;
  std::string path;
  for (int i = scan.count() - 1; i >= threshold; --i) {
    path.assign(dir).append(1, '/').append(scan.entry(i)->d_name);
    if (ORYX_OS::unlink(path.c_str(), encoding) < 0) return kLaterStepFailed;
  }
  return kOk;
}
