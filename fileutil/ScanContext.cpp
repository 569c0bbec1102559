// SPDX-License-Identifier: Apache-2.0
#include "fileutil/ScanContext.h"

#include <ace/OS_NS_stdlib.h>

#include <cstdlib>

namespace oryx {
namespace fileutil {

// The language's per-thread storage rather than ACE's: a thread's record is
// created on its first use and destroyed when that thread ends, and nothing
// shared is torn down at process exit, so threads that still scan while the
// process exits keep a valid record.
oRYXFileUtil_Local_Thread_Data& scanContext() {
  static thread_local oRYXFileUtil_Local_Thread_Data context;
  return context;
}

ScanResult::ScanResult(const char* dir, ORYX_OS::ScandirSelector selector,
                       ORYX_OS::ScandirComparator comparator, const char* encoding) {
  oRYXFileUtil_Local_Thread_Data& context = scanContext();
  context.scanDir = dir;
  context.statusByEntry.clear();
  m_count = ORYX_OS::scandir(dir, &m_list, selector, comparator, encoding);
  context.scanDir.clear();
  if (m_count < 0) m_list = nullptr;
}

ScanResult::~ScanResult() {
  if (m_list != nullptr) {
    for (int i = 0; i < m_count; ++i) ACE_OS::free(m_list[i]);
    ACE_OS::free(m_list);
  }
  std::unordered_map<const ACE_DIRENT*, EntryStatus>().swap(scanContext().statusByEntry);
}

void ScanResult::keepFirst(int keep) {
  if (keep < 0 || keep >= m_count) return;
  for (int i = keep; i < m_count; ++i) ACE_OS::free(m_list[i]);
  m_count = keep;
}

const EntryStatus* ScanResult::cachedStatus(const ACE_DIRENT* entry) const {
  const auto& statuses = scanContext().statusByEntry;
  const auto found = statuses.find(entry);
  return found == statuses.end() ? nullptr : &found->second;
}

}  // namespace fileutil
}  // namespace oryx
