// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_SCANCONTEXT_H
#define ORYXUTIL_FILEUTIL_SCANCONTEXT_H

// The per-thread context of the sorted scans and the scan procedure itself.
// A scan hands its directory to the selection and comparison functions
// through the calling thread's record, so scans on different threads never
// see each other's directory. The record is created empty on a thread's
// first use and destroyed when the thread ends.

#include "oryxutil/companion/OS.h"

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <unordered_map>

namespace oryx {
namespace fileutil {

// Status of one entry as the time comparison read it.
struct EntryStatus {
  int64_t mtime;
  mode_t mode;
  bool readable;
};

}  // namespace fileutil
}  // namespace oryx

struct oRYXFileUtil_Local_Thread_Data {
  std::string scanDir;     // directory of the running scan, as the caller gave it; "" between scans
  std::string nameFilter;  // fragment the name-filter selection looks for
  // Statuses the time comparison read during the current scan, by entry
  // address: a sort then costs one status read per entry, not two per
  // comparison. Forgotten when the scan's result is released.
  std::unordered_map<const ACE_DIRENT*, oryx::fileutil::EntryStatus> statusByEntry;
  std::string statPath;    // scratch path of the time comparison
};

namespace oryx {
namespace fileutil {

// The calling thread's record.
oRYXFileUtil_Local_Thread_Data& scanContext();

// One scan: the entries of `dir` kept by `selector`, sorted by `comparator`.
// Owns the entries and frees them (and the cached statuses) on destruction.
class ScanResult {
 public:
  ScanResult(const char* dir, ORYX_OS::ScandirSelector selector, ORYX_OS::ScandirComparator comparator,
             const char* encoding);
  ~ScanResult();
  ScanResult(const ScanResult&) = delete;
  ScanResult& operator=(const ScanResult&) = delete;

  // Number of entries; negative when the directory could not be read.
  int count() const { return m_count; }
  const ACE_DIRENT* entry(int index) const { return m_list[index]; }

  // Frees the entries past the first `keep`.
  void keepFirst(int keep);

  // The status the time comparison read for `entry` during this scan, null
  // when it did not read one.
  const EntryStatus* cachedStatus(const ACE_DIRENT* entry) const;

 private:
  ACE_DIRENT** m_list = nullptr;
  int m_count = -1;
};

}  // namespace fileutil
}  // namespace oryx

#endif
