#include "fileutil/ScanContext.h"

#include <ace/OS_NS_stdlib.h>
#include <ace/TSS_T.h>

#include <cstdlib>

namespace oryx {
namespace fileutil {

namespace {

ACE_TSS<oRYXFileUtil_Local_Thread_Data> s_scanContext;

// ACE_TSS creates its key on first use behind an unguarded flag; touching it
// once while the library loads, before any caller thread can reach it, keeps
// concurrent first uses from racing on that flag.
const bool s_keyCreated = (s_scanContext.operator->() != nullptr);

}  // namespace

oRYXFileUtil_Local_Thread_Data& scanContext() {
  (void)s_keyCreated;
  return *s_scanContext;
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
