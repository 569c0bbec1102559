// SPDX-License-Identifier: Apache-2.0
#include "fileutil/ScanFunctions.h"

#include "companion/io/DirectoryReader.h"
#include "fileutil/ScanContext.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <limits>

namespace oryx {
namespace fileutil {

namespace {

// Unreadable entries sort behind every readable one.
const int64_t kUnreadableTime = std::numeric_limits<int64_t>::min();

const EntryStatus& statusOf(const ACE_DIRENT* entry, oRYXFileUtil_Local_Thread_Data& context) {
  auto found = context.statusByEntry.find(entry);
  if (found != context.statusByEntry.end()) return found->second;

  // The runtime's plain stat, no encoding conversion. Backslashes in the
  // scanned directory are separators; the entry's name is its own bytes.
  std::string& path = context.statPath;
  path.assign(context.scanDir);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  path.append(1, '/').append(entry->d_name);
  struct ::stat record;
  EntryStatus status{kUnreadableTime, 0, false};
  if (::stat(path.c_str(), &record) == 0) {
    status = EntryStatus{static_cast<int64_t>(record.st_mtime), record.st_mode, true};
  }
  return context.statusByEntry.emplace(entry, status).first->second;
}

void reportMissing(const char* name) {
  // One write per line so lines of concurrent scans never interleave.
  std::string line = "file:";
  line.append(name).append(" not exist!\n");
  std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

int selectAllButDots(const ACE_DIRENT* entry) { return oryx::isDotOrDotDot(entry->d_name) ? 0 : 1; }

int selectZipNames(const ACE_DIRENT* entry) { return std::strstr(entry->d_name, ".zip") != nullptr; }

int selectByNameFilter(const ACE_DIRENT* entry) {
  if (std::strcmp(entry->d_name, ".") == 0) return 0;
  return std::strstr(entry->d_name, scanContext().nameFilter.c_str()) != nullptr;
}

int compareByName(const ACE_DIRENT** a, const ACE_DIRENT** b) {
  // std::string order: unsigned bytes, as strcmp compares them.
  return std::strcmp((*a)->d_name, (*b)->d_name);
}

int compareByTime(const ACE_DIRENT** a, const ACE_DIRENT** b) {
  oRYXFileUtil_Local_Thread_Data& context = scanContext();
  const EntryStatus& first = statusOf(*a, context);
  const EntryStatus& second = statusOf(*b, context);
  if (!first.readable) reportMissing((*a)->d_name);
  if (!second.readable) reportMissing((*b)->d_name);
  // The sign of (second - first) without the overflow of a 32-bit difference.
  return (second.mtime > first.mtime) - (second.mtime < first.mtime);
}

}  // namespace fileutil
}  // namespace oryx
