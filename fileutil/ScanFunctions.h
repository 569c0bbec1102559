// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_FILEUTIL_SCANFUNCTIONS_H
#define ORYXUTIL_FILEUTIL_SCANFUNCTIONS_H

// Selection and comparison functions of the sorted scans (qsort semantics).
// They see directory entries only; the directory and the name filter come
// from the calling thread's scan context.

#include "oryxutil/companion/OS.h"

namespace oryx {
namespace fileutil {

// Every entry except "." and "..".
extern "C" int selectAllButDots(const ACE_DIRENT* entry);

// Every name holding ".zip" anywhere (x.zip.old too).
extern "C" int selectZipNames(const ACE_DIRENT* entry);

// Every name holding the thread's nameFilter, except ".".
extern "C" int selectByNameFilter(const ACE_DIRENT* entry);

// Ascending byte order of the names.
extern "C" int compareByName(const ACE_DIRENT** a, const ACE_DIRENT** b);

// Newest modification time first. Reads each entry's status once per scan
// (plain stat of scanDir + "/" + name) and prints "file:NAME not exist!"
// to standard output whenever it meets an entry whose status is unreadable;
// such an entry sorts as the oldest.
extern "C" int compareByTime(const ACE_DIRENT** a, const ACE_DIRENT** b);

}  // namespace fileutil
}  // namespace oryx

#endif
