// SPDX-License-Identifier: Apache-2.0
#include "oryxutil/companion/OS.h"

#include "companion/os/NativePath.h"

#include <cerrno>
#include <string>

namespace ORYX_OS {

int lstat(const char* path, struct ::stat* record, const char* encoding) {
  std::string native;
  if (record == nullptr) {
    errno = EFAULT;
    return -1;
  }
  if (!oryx::nativePath(path, encoding, native)) return -1;
  return ::lstat(native.c_str(), record);
}

}  // namespace ORYX_OS
