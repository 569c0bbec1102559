// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_TOOLS_UTF8CHECK_H
#define ORYXUTIL_TOOLS_UTF8CHECK_H

// Whether bytes are well-formed UTF-8: no stray continuation byte, no
// overlong form, no surrogate, nothing above U+10FFFF, nothing cut short.
// Runs of ASCII are skipped eight bytes at a time. Pure; thread-safe.

#include <cstddef>

namespace oryxtool {

bool isUtf8(const char* data, size_t size);

}  // namespace oryxtool

#endif
