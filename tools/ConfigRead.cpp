// SPDX-License-Identifier: Apache-2.0
#include "ConfigRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace oryxtool {

bool readConfig(const std::string& path, std::string& content) {
  content.clear();
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct ::stat status;
  int error = 0;
  if (::fstat(fd, &status) != 0) {
    error = errno;
  } else if (!S_ISREG(status.st_mode)) {
    error = EINVAL;
  }
  // One byte past the limit is read, so a file that grew past it is seen.
  char buffer[65536];
  while (error == 0) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    content.append(buffer, static_cast<size_t>(n));
    if (content.size() > kMaxConfigBytes) error = EFBIG;
  }
  ::close(fd);
  if (error == 0) return true;
  content.clear();
  errno = error;
  return false;
}

}  // namespace oryxtool
