// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_RESULTCODES_H
#define ORYXUTIL_COMPANION_RESULTCODES_H

// The results of the library's public operations, named once. The public
// signatures keep plain int and long (0, -1, -2, fixed by compatibility);
// inside the library a result is always one of these names.

namespace oryx {

constexpr int kOk = 0;
constexpr int kFailed = -1;
// A file utility packed or partly pruned, but a later deletion failed.
constexpr int kLaterStepFailed = -2;

// The answers of the directory test (oRYXFileUtil::isDir).
constexpr int kIsDirectory = 1;
constexpr int kNotDirectory = 2;

}  // namespace oryx

#endif
