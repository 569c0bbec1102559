// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_OS_H
#define ORYXUTIL_COMPANION_OS_H

// The OS layer: POSIX calls that take one extra last argument, the encoding
// in which the path or command text is given.
// - "UTF-8" (any case, also "UTF8") or a null encoding: the text passes as it is.
// - any other encoding iconv knows (e.g. "GBK"): the text is converted to
//   UTF-8 before the call; text that does not convert fails with EILSEQ.
// - an encoding iconv does not know: the call fails with errno EINVAL.
// A backslash in a path is a directory separator, as "/" is.
// Results are those of the mirrored POSIX call (0 / -1 with errno, or null).
// Threads: every operation may be called from any thread; none keeps state.

#include "oryxutil/Visibility.h"

#include <ace/OS_NS_dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>

namespace ORYX_OS {

// Selection and comparison functions of scandir (qsort semantics).
typedef int (*ScandirSelector)(const ACE_DIRENT*);
typedef int (*ScandirComparator)(const ACE_DIRENT**, const ACE_DIRENT**);

ORYXUTIL_EXPORT int stat(const char* path, struct ::stat* record, const char* encoding);
// As stat, but a symbolic link answers for itself instead of its target.
ORYXUTIL_EXPORT int lstat(const char* path, struct ::stat* record, const char* encoding);
ORYXUTIL_EXPORT int access(const char* path, int mode, const char* encoding);
ORYXUTIL_EXPORT int mkdir(const char* path, mode_t mode, const char* encoding);
ORYXUTIL_EXPORT int unlink(const char* path, const char* encoding);
ORYXUTIL_EXPORT int rmdir(const char* path, const char* encoding);
ORYXUTIL_EXPORT int chdir(const char* path, const char* encoding);

// Fills `buffer` with the working directory (in UTF-8); null on failure
// (ERANGE when it does not fit).
ORYXUTIL_EXPORT char* getcwd(char* buffer, size_t size, const char* encoding);

// Directory handles: opendir gives null on failure; readdir_r returns 0 and
// sets *result to `entry` while entries remain, 0 with *result null at the
// end, an error number on failure. `entry` must be a whole ACE_DIRENT; the
// name is copied into it, cut to fit. One handle is read by one thread.
ORYXUTIL_EXPORT ACE_DIR* opendir(const char* path, const char* encoding);
ORYXUTIL_EXPORT int readdir_r(ACE_DIR* dir, ACE_DIRENT* entry, ACE_DIRENT** result,
                              const char* encoding);
ORYXUTIL_EXPORT int closedir(ACE_DIR* dir);

// The entries of `dir` kept by `selector` (all when null), sorted by
// `comparator` (unsorted when null), in a new array of new entries that the
// caller frees one by one and then as a whole with free(). The functions run
// on the calling thread. Result: the count, -1 on failure.
ORYXUTIL_EXPORT int scandir(const char* dir, ACE_DIRENT*** list, ScandirSelector selector,
                            ScandirComparator comparator, const char* encoding);

// A stream for the file, null on failure; close it with fclose().
ORYXUTIL_EXPORT FILE* fopen(const char* path, const char* mode, const char* encoding);

// Runs a Windows-style command line without any shell: the line is split
// into words (blanks separate; double quotes group and are removed); the
// unquoted words ">nul", "2>nul" and "2>&1" are redirections (the program's
// output discarded); "del [/Q] NAME..." (regular files only, "*" and "?"
// matched in the working directory) and "move SRC DEST" (a rename, or copy
// and remove across file systems) are done in-process; any other program is
// started from PATH with the words as its arguments, backslashes mapped to
// "/". No character of the line ever starts another program.
// Result: the program's exit status (0 success; 128 + N when killed by
// signal N), 127 when it cannot be started, -1 when the line is empty or
// cannot be converted. The caller waits; any thread may call it.
ORYXUTIL_EXPORT int system(const char* command, const char* encoding);

}  // namespace ORYX_OS

#endif
