// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_CONFIGFILE_H
#define ORYXUTIL_COMPANION_CONFIGFILE_H

// Reads a configuration file that the library opens by a configured name
// (tao.cfg, dbinfo.txt, the SSL service configuration). Only a regular file
// of at most kMaxConfigFileBytes is read: the type is checked on the opened
// descriptor, and the open itself never waits, so a FIFO, a device or a
// directory in the file's place fails at once instead of blocking.
// Result: true with the whole content; false with errno set (as open or
// read left it, EINVAL for a file that is not regular, EFBIG for one larger
// than the limit). The path is a native path.
// Threads: any thread.

#include <cstddef>
#include <string>

namespace oryx {

// 4 MiB: far beyond any real configuration, small enough to read whole.
constexpr size_t kMaxConfigFileBytes = 4u * 1024 * 1024;

enum class ConfigAccess {
  kRead,
  // Opened for reading and writing, though never written: a file that
  // cannot be opened for writing is refused like a missing one.
  kReadWrite
};

bool readConfigFile(const std::string& nativePath, ConfigAccess access, std::string& content);

}  // namespace oryx

#endif
