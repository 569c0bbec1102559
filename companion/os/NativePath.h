// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_NATIVEPATH_H
#define ORYXUTIL_COMPANION_NATIVEPATH_H

// Turns a product path into the bytes handed to the file system: the text is
// converted from `encoding` to UTF-8 (see ORYX_OS) and every backslash
// becomes "/". Every file-system call of the library goes through here.

#include <string>

namespace oryx {

// True for a null encoding and for "UTF-8"/"UTF8" in any case.
bool isUtf8Name(const char* encoding);

// Converts `text` from `encoding` to UTF-8 into `out`. False with errno
// EINVAL for an unknown encoding, EILSEQ for text that does not convert.
bool toUtf8(const char* text, const char* encoding, std::string& out);

// Converts UTF-8 `text` to `encoding` into `out` (errors as toUtf8).
bool fromUtf8(const char* text, const char* encoding, std::string& out);

// toUtf8, then backslashes mapped to "/". False (errno set) on failure,
// also for a null path (EFAULT).
bool nativePath(const char* path, const char* encoding, std::string& out);

// Backslashes mapped to "/", no conversion.
std::string nativePath(const std::string& path);

}  // namespace oryx

#endif
