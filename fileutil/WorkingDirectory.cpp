// SPDX-License-Identifier: Apache-2.0
#include "fileutil/WorkingDirectory.h"

#include "oryxutil/companion/OS.h"

namespace oryx {
namespace fileutil {

bool WorkingDirectory::enter(const char* dir) {
  if (ORYX_OS::getcwd(m_saved, sizeof(m_saved), m_encoding) == nullptr) return false;
  if (ORYX_OS::chdir(dir, m_encoding) < 0) return false;
  m_entered = true;
  return true;
}

WorkingDirectory::~WorkingDirectory() {
  if (m_entered) ORYX_OS::chdir(m_saved, m_encoding);
}

}  // namespace fileutil
}  // namespace oryx
