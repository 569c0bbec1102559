// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_CONFIGREAD_H
#define ORYXUTIL_TOOLS_CONFIGREAD_H

// Reads a configuration file whole, as the library reads tao.cfg: only a
// regular file of at most kMaxConfigBytes; the open never waits, so a FIFO
// or device in the file's place fails at once. A product path's backslashes
// become "/". Result: true with the content; false with errno set (EINVAL
// for a file that is not regular, EFBIG for one over the limit).
// The tools' own copy: the library keeps its reader internal.

#include <cstddef>
#include <string>

namespace oryxtool {

constexpr size_t kMaxConfigBytes = 4u * 1024 * 1024;

bool readConfig(const std::string& path, std::string& content);

}  // namespace oryxtool

#endif
