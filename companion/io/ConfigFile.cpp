// SPDX-License-Identifier: Apache-2.0
#include "companion/io/ConfigFile.h"

#include "companion/io/Descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace oryx {

bool readConfigFile(const std::string& nativePath, ConfigAccess access, std::string& content) {
  content.clear();
  const int mode = access == ConfigAccess::kReadWrite ? O_RDWR : O_RDONLY;
  const Descriptor file(::open(nativePath.c_str(), mode | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) return false;
  struct ::stat status;
  if (::fstat(file.get(), &status) != 0) return false;
  if (!S_ISREG(status.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (static_cast<unsigned long long>(status.st_size) > kMaxConfigFileBytes) {
    errno = EFBIG;
    return false;
  }
  // Room for one byte more than fstat saw, so the end is seen in one pass;
  // a file that grows meanwhile is read on, up to one byte past the limit.
  content.resize(static_cast<size_t>(status.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == content.size()) {
      if (got > kMaxConfigFileBytes) break;
      content.resize(std::min(2 * got, kMaxConfigFileBytes + 1));
    }
    const ssize_t n = ::read(file.get(), &content[got], content.size() - got);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      content.clear();
      return false;
    }
    got += static_cast<size_t>(n);
  }
  if (got > kMaxConfigFileBytes) {
    content.clear();
    errno = EFBIG;
    return false;
  }
  content.resize(got);
  return true;
}

}  // namespace oryx
