// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_PROFILE_PROFILECONFIG_H
#define ORYXUTIL_PROFILE_PROFILECONFIG_H

// The profiler's switches and destination, read once from the environment
// when the library loads (only the presence of a switch counts: any value,
// the empty one included, turns its feature off):
//   OX_PROFILE_NO_WRITE_START   no "Started" lines;
//   OX_PROFILE_NO_WRITE_INDENT  no indent;
//   OX_PROFILE_FILE             the file the lines are appended to (unset or
//                               empty: the lines are dropped);
//   OX_PROFILE_TRACE            the trace file, "%p" in it replaced by the
//                               process id (unset or empty: no trace).
// Threads: constant once read; any thread.

#include "profile/ProfileFormat.h"

#include <string>

namespace oryx {
namespace profile {

struct ProfileConfig {
  bool writeStart = true;
  bool writeIndent = true;
  std::string linesPath;
  std::string tracePath;
  const ProfileFormat* linesFormat = &textLines();
};

// The configuration read at load (or at the first call, if earlier).
const ProfileConfig& profileConfig();

}  // namespace profile
}  // namespace oryx

#endif
